// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Acts on the next modal window that opens: a timer polls for it, and a
// watchdog rejects whatever is still open after a while, so that a test can
// never hang on a window nobody answers.
class ModalDriver : public QObject {
public:
    explicit ModalDriver(std::function<void(QWidget*)> action, int watchdogMs = 5000)
        : action_(std::move(action)) {
        connect(&poll_, &QTimer::timeout, this, [this] {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
                poll_.stop();
                seen = modal;
                action_(modal);
            }
        });
        poll_.start(10);
        QTimer::singleShot(watchdogMs, this, [this] {
            if (QWidget* modal = QApplication::activeModalWidget())
                QMetaObject::invokeMethod(modal, "reject");
            timedOut = true;
        });
    }
    QWidget* seen = nullptr;
    bool timedOut = false;

private:
    std::function<void(QWidget*)> action_;
    QTimer poll_;
};
