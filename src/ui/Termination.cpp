// SPDX-License-Identifier: Apache-2.0
#include "ui/Termination.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

namespace kevo::ui {

Termination& Termination::Instance() {
    static Termination instance;
    return instance;
}

void Termination::Request() {
    if (requested_)
        return;
    requested_ = true;
    QMetaObject::invokeMethod(this, &Termination::TakeEffect, Qt::QueuedConnection);
}

void Termination::TakeEffect() {
    terminating_ = true;
    // Close every modal window that is open now, innermost first.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog == nullptr || !dialog->isVisible())
            break;
        dialog->reject();
    }
    emit Terminated();
}

bool Termination::TakesEffectBeforeModal() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return terminating_;
}

void Termination::Reset() {
    terminating_ = false;
    requested_ = false;
}

} // namespace kevo::ui
