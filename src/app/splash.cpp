// SPDX-License-Identifier: Apache-2.0
#include "app/splash.h"

#include "messages/ErrorReport.h"
#include "ui/AppFont.h"
#include "ui/WaitCursor.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace kevo::app {

TfrmSplash::TfrmSplash(QWidget* parent)
    // Not kept above other windows: the program's messages and dialogs open
    // while the splash window is shown and must stand in front of it.
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    // No caption bar shows it, but task lists name the window by it.
    setWindowTitle(QString::fromUtf8(messages::kApplicationTitle));
    setFixedSize(297, 90);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    pnl1 = new QFrame(this);
    pnl1->setObjectName(QStringLiteral("pnl1"));
    pnl1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pnl1->setLineWidth(2);
    pnl1->setGeometry(0, 0, 297, 90);
    pnl1->setFont(ui::ProgramFont(14));

    lbl1 = new QLabel(QStringLiteral("KevoConf"), pnl1);
    lbl1->setObjectName(QStringLiteral("lbl1"));
    lbl1->move(106, 16);
    lbl1->adjustSize();
    lbl2 = new QLabel(QStringLiteral("Please Wait - Checking Printers"), pnl1);
    lbl2->setObjectName(QStringLiteral("lbl2"));
    lbl2->move(17, 49);
    lbl2->adjustSize();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }
    FormCreate();
}

TfrmSplash::~TfrmSplash() {
    FormDestroy();
}

void TfrmSplash::FormCreate() {
    ui::WaitCursor::Set(true);
}

void TfrmSplash::FormDestroy() {
    ui::WaitCursor::Set(false);
}

void TfrmSplash::ShowNow() {
    show();
    raise();
    repaint();
}

} // namespace kevo::app
