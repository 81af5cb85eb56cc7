// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "info/VersionInfo.h"
#include "platform/system/DesktopOpener.h"
#include "platform/system/SystemInformation.h"

#include <QDialog>

#include <string>

class QFrame;
class QLabel;
class QPushButton;

namespace kevo::info {

// Where the about box takes its values from and how it opens its links.
struct AboutBoxServices {
    const VersionInformation* version = nullptr;
    const platform::SystemInformation* system = nullptr;
    platform::DesktopOpener* opener = nullptr;

    // The program's own version information, this machine, xdg-open.
    static AboutBoxServices Program();
};

// The about box: the program's icon, company and product name, version,
// copyright and comments from the version information, the maker's web
// site and e-mail address as links, and a footer with the physical memory,
// the memory load and the operating system. Every value is gathered when
// the box is shown.
class TfrmAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAboutBox(QWidget* parent = nullptr);
    explicit TfrmAboutBox(const AboutBoxServices& services, QWidget* parent = nullptr);

    QLabel* imgProgramIcon = nullptr;
    QLabel* CompanyName = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;
    QLabel* lblWebAddress = nullptr;
    QLabel* lblEmail = nullptr;
    QFrame* bvl1 = nullptr;
    QWidget* pnl1 = nullptr;
    QLabel* lbl1 = nullptr;
    QLabel* lblFreeMem = nullptr;
    QLabel* lbl2 = nullptr;
    QLabel* lblResources = nullptr;
    QLabel* Platform = nullptr;
    QPushButton* btnOK = nullptr;

    // Fills the version, platform, memory and version string labels.
    void FormShow();
    void lblWebAddressClick();
    void lblEmailClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();

    AboutBoxServices services_;
};

// Hands target to the desktop's opener and reports a failure in a message
// box owned by owner, captioned "Error ExploreWeb", with an OK button and no
// icon. A failure that shows only when the opener ends is reported if owner
// is still open then.
void ExploreWeb(QWidget* owner, const std::string& target, platform::DesktopOpener& opener);

// The main window's "About" command: creates an about box, shows it
// modally and destroys it, also when the showing ends by an error.
void ShowAboutBox(QWidget* owner);
void ShowAboutBox(QWidget* owner, const AboutBoxServices& services);

} // namespace kevo::info
