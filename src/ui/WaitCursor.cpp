// SPDX-License-Identifier: Apache-2.0
#include "ui/WaitCursor.h"

#include <QApplication>

namespace kevo::ui {
namespace {

bool waiting = false;
int holds = 0;
bool shown = false;

// Shows the shape that the state asks for, when it is not shown already.
void Show() {
    const bool wait = waiting || holds > 0;
    if (wait == shown)
        return;
    shown = wait;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace

void WaitCursor::Set(bool wait) {
    waiting = wait;
    Show();
}

void WaitCursor::Hold() {
    ++holds;
    Show();
}

void WaitCursor::Release() {
    if (holds > 0)
        --holds;
    Show();
}

bool WaitCursor::Waiting() {
    return waiting;
}

} // namespace kevo::ui
