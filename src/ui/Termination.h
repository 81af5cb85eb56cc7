// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>

namespace kevo::ui {

// The program's termination request. Requesting it posts a request to the
// user-interface thread and returns at once; the request takes effect when
// message processing next retrieves it. From then on the program is
// terminating: every modal window that is open closes at once with the
// Cancel result, and every later one closes as soon as it is opened.
class Termination : public QObject {
    Q_OBJECT
public:
    static Termination& Instance();

    void Request();
    // True once requested, before the request takes effect too.
    bool Requested() const { return requested_; }
    // True once a request has been retrieved by message processing.
    bool Terminating() const { return terminating_; }

    // Before a modal window opens: processes pending messages, and with
    // them a termination request, but no user input, which waits for the
    // window's own loop (where the window's modality keeps it from starting
    // a second command inside this one). True when the program is
    // terminating and the window must not open.
    bool TakesEffectBeforeModal();

    // For tests: forget an earlier request.
    void Reset();

signals:
    void Terminated();

private:
    Termination() = default;
    void TakeEffect();

    bool terminating_ = false;
    bool requested_ = false;
};

} // namespace kevo::ui
