// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "setup/SetupMerge.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>

class QFileSystemWatcher;
class QTimer;

namespace kevo::mainwindow {

// Looks at the setup file when it changes on disk (a file-system watcher on
// the file and its folder, since a save by rename replaces the file) and
// whenever asked (the window was activated: watchers miss changes on network
// shares), and hands the file as it reads to take.
//
// The file is read off the window's thread: a share that does not answer
// never holds the window for more than a moment. A read that takes longer
// than a moment is left to finish on its own and the file is looked at again
// later; a file that cannot be read is no change. While mayTake says no (a
// modal window is open) the look waits.
class SetupFileWatch : public QObject {
    Q_OBJECT
public:
    SetupFileWatch(std::string path, std::function<bool()> mayTake,
                   std::function<void(const setup::SetupSnapshot&)> take,
                   QObject* parent = nullptr);
    ~SetupFileWatch() override;

    // Looks at the file after a short pause, which gathers a burst of writes.
    void LookSoon();

private:
    struct Reading;
    void Watch();
    void StartReading();
    void Poll();

    std::string path_;
    std::function<bool()> mayTake_;
    std::function<void(const setup::SetupSnapshot&)> take_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* pause_ = nullptr;
    QTimer* poll_ = nullptr;
    std::shared_ptr<Reading> reading_;
    std::shared_ptr<Reading> abandoned_; // a read that took too long
    int polls_ = 0;
};

} // namespace kevo::mainwindow
