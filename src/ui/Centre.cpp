// SPDX-License-Identifier: Apache-2.0
#include "ui/Centre.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kevo::ui {

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace kevo::ui
