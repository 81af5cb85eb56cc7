// SPDX-License-Identifier: Apache-2.0
#include "ui/QtPrompter.h"

#include "messages/ErrorReport.h"
#include "ui/QtText.h"
#include "ui/StandardMessageDialog.h"
#include "ui/Termination.h"

#include <QApplication>
#include <QCoreApplication>

namespace kevo::ui {
namespace {

// A modal message shows the normal pointer while it is open and gives back
// whatever pointer was shown before (the hourglass during start-up).
class ArrowWhileOpen {
public:
    ArrowWhileOpen() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowWhileOpen() { QApplication::restoreOverrideCursor(); }
    ArrowWhileOpen(const ArrowWhileOpen&) = delete;
    ArrowWhileOpen& operator=(const ArrowWhileOpen&) = delete;
};

messages::MessageAnswer Run(StandardMessageDialog& dialog) {
    // A pending termination request closes the window at once.
    if (Termination::Instance().TakesEffectBeforeModal())
        return messages::kClosedAtTheEnd;
    ArrowWhileOpen arrow;
    dialog.exec();
    if (Termination::Instance().Terminating())
        return messages::kClosedAtTheEnd;
    return dialog.Answer();
}

} // namespace

messages::MessageAnswer QtPrompter::ShowMessage(const std::string& text, messages::MessageType type,
                                            messages::MessageButtons buttons) {
    StandardMessageDialog dialog(ToQString(text), type, buttons);
    return Run(dialog);
}

void QtPrompter::ShowErrorReport(const std::string& errorText) {
    StandardMessageDialog dialog(QString::fromUtf8(messages::kApplicationTitle),
                                 ToQString(messages::StandardErrorText(errorText)),
                                 messages::MessageButton::OK);
    Run(dialog);
}

} // namespace kevo::ui
