// SPDX-License-Identifier: Apache-2.0
#include "mainwindow/SetupFileWatch.h"

#include "setup/SetupFile.h"
#include "platform/SystemPaths.h"
#include "platform/profile/FileSystem.h"
#include "ui/QtText.h"

#include <QFileSystemWatcher>
#include <QTimer>

#include <mutex>
#include <optional>
#include <thread>

namespace kevo::mainwindow {

namespace {

constexpr int kPauseMs = 150;
constexpr int kPollMs = 10;
// A read that has not finished after this long is a share that does not
// answer: the window goes on, and looks again later.
constexpr int kReadLimitMs = 400;
constexpr int kRetryMs = 3000;

} // namespace

struct SetupFileWatch::Reading {
    std::mutex mutex;
    bool done = false;
    std::optional<setup::SetupSnapshot> snapshot;
};

SetupFileWatch::SetupFileWatch(std::string path, std::function<bool()> mayTake,
                               std::function<void(const setup::SetupSnapshot&)> take,
                               QObject* parent)
    : QObject(parent), path_(std::move(path)), mayTake_(std::move(mayTake)),
      take_(std::move(take)) {
    watcher_ = new QFileSystemWatcher(this);
    pause_ = new QTimer(this);
    pause_->setSingleShot(true);
    poll_ = new QTimer(this);
    poll_->setInterval(kPollMs);
    connect(pause_, &QTimer::timeout, this, &SetupFileWatch::StartReading);
    connect(poll_, &QTimer::timeout, this, &SetupFileWatch::Poll);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { LookSoon(); });
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { LookSoon(); });
    Watch();
}

SetupFileWatch::~SetupFileWatch() = default;

void SetupFileWatch::Watch() {
    // A save by rename puts a new file in the old one's place, which the
    // watcher no longer follows: the file is watched anew every time.
    const QString file = ui::ToQString(path_);
    if (!watcher_->files().contains(file) && platform::FileExists(path_))
        watcher_->addPath(file);
    const std::size_t separator = platform::FolderSeparatorPosition(path_);
    const QString folder = separator == std::string::npos
                               ? QStringLiteral(".")
                               : ui::ToQString(path_.substr(0, separator + 1));
    if (watcher_->directories().isEmpty())
        watcher_->addPath(folder);
}

void SetupFileWatch::LookSoon() {
    pause_->start(kPauseMs);
}

void SetupFileWatch::StartReading() {
    Watch();
    if (reading_ != nullptr)
        return; // a look is under way
    if (abandoned_ != nullptr) {
        // One read that does not answer is enough: no second one joins it.
        const std::lock_guard<std::mutex> lock(abandoned_->mutex);
        if (!abandoned_->done) {
            pause_->start(kRetryMs);
            return;
        }
    }
    abandoned_.reset();
    if (!mayTake_()) {
        pause_->start(kRetryMs / 6);
        return;
    }
    auto reading = std::make_shared<Reading>();
    reading_ = reading;
    polls_ = 0;
    std::thread([reading, path = path_] {
        std::optional<setup::SetupSnapshot> snapshot = setup::ReadSetupSnapshot(path);
        const std::lock_guard<std::mutex> lock(reading->mutex);
        reading->snapshot = std::move(snapshot);
        reading->done = true;
    }).detach();
    poll_->start();
}

void SetupFileWatch::Poll() {
    std::optional<setup::SetupSnapshot> snapshot;
    {
        const std::lock_guard<std::mutex> lock(reading_->mutex);
        if (!reading_->done) {
            if (++polls_ * kPollMs < kReadLimitMs)
                return;
            // The read goes on without us; the file is looked at again later.
            poll_->stop();
            abandoned_ = std::move(reading_);
            pause_->start(kRetryMs);
            return;
        }
        snapshot = std::move(reading_->snapshot);
    }
    poll_->stop();
    reading_.reset();
    if (!snapshot)
        return; // cannot be read just now: no change
    if (!mayTake_()) {
        pause_->start(kRetryMs / 6);
        return;
    }
    take_(*snapshot);
}

} // namespace kevo::mainwindow
