// SPDX-License-Identifier: Apache-2.0
#include "info/help.h"

#include "info/HelpText.h"
#include "info/InfoFonts.h"
#include "ui/AppFont.h"
#include "ui/Centre.h"
#include "ui/QtText.h"
#include "ui/Termination.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

namespace kevo::info {
namespace {

// The window is 555 by 375 pixels with its frame; with a frame of 4 pixels
// at the sides and the bottom and a title bar of 23, that leaves this
// client area.
constexpr int kClientWidth = 547;
constexpr int kClientHeight = 348;
constexpr int kLabelLeft = 8;

} // namespace

TfrmHelp::TfrmHelp(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Help"));
    setModal(true);
    setFont(ui::ProgramFont(8));
    resize(kClientWidth, kClientHeight);

    pgc1 = new QTabWidget(this);
    pgc1->setObjectName(QStringLiteral("pgc1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pgc1);

    tbsHelp = new QWidget;
    tbsHelp->setObjectName(QStringLiteral("tbsHelp"));
    memHelp = new QPlainTextEdit(tbsHelp);
    memHelp->setObjectName(QStringLiteral("memHelp"));
    memHelp->setFont(ui::ProgramFont(10));
    QPalette palette = memHelp->palette();
    // The button-face background makes it read as a page, not a field.
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    palette.setColor(QPalette::Text, palette.color(QPalette::WindowText));
    memHelp->setPalette(palette);
    memHelp->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memHelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memHelp->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memHelp->setPlainText(ui::ToQString(HelpText()));
    memHelp->moveCursor(QTextCursor::Start);
    auto* helpLayout = new QVBoxLayout(tbsHelp);
    helpLayout->setContentsMargins(0, 0, 0, 0);
    helpLayout->addWidget(memHelp);
    pgc1->addTab(tbsHelp, QStringLiteral("Help"));

    tbsShortcutKeys = new QWidget;
    tbsShortcutKeys->setObjectName(QStringLiteral("tbsShortcutKeys"));
    for (std::size_t i = 0; i < kShortcutKeyLabels.size(); ++i) {
        const ShortcutKeyLabel& entry = kShortcutKeyLabels[i];
        auto* label = new QLabel(ui::ToQString(entry.text), tbsShortcutKeys);
        label->setObjectName(ui::ToQString(entry.name));
        label->setTextFormat(Qt::PlainText);
        label->setFont(ArialFont(10));
        label->move(kLabelLeft, entry.top);
        label->adjustSize();
        shortcutLabels[i] = label;
    }
    pgc1->addTab(tbsShortcutKeys, QStringLiteral("Shortcut Keys"));
    pgc1->setCurrentIndex(0);
}

void TfrmHelp::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Centred on the desktop.
    ui::CentreOnScreen(this);
}

void TfrmHelp::keyPressEvent(QKeyEvent* event) {
    // The window has no Cancel button: Esc does not close it. It closes by
    // its close box, Alt+F4 or its system menu.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ShowHelp(QWidget* owner) {
    // A pending termination request keeps the window from opening.
    if (ui::Termination::Instance().TakesEffectBeforeModal())
        return;
    QPointer<TfrmHelp> form = new TfrmHelp(owner);
    const auto destroy = qScopeGuard([&form] { delete form.data(); });
    form->exec();
}

} // namespace kevo::info
