#include "platform/qt/WaitCursor.h"

#include <QApplication>

namespace kevo::platform {
namespace {
bool waiting = false;
}

void WaitCursor::Set(bool wait) {
    if (wait == waiting)
        return;
    waiting = wait;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool WaitCursor::Waiting() {
    return waiting;
}

} // namespace kevo::platform
