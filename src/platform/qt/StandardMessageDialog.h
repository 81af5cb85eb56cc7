// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/MessageDialog.h"

#include <QDialog>
#include <QString>

#include <map>

class QAbstractButton;

namespace kevo::platform {

// A standard message dialog: caption and icon by type, the buttons in their
// fixed order with their access keys, OK (else Yes) as the default button,
// Esc answering Cancel, else No, else OK, and the close box answering
// Cancel. Centred on the screen.
class StandardMessageDialog : public QDialog {
    Q_OBJECT
public:
    StandardMessageDialog(const QString& text, core::MessageType type, core::MessageButtons buttons,
                          QWidget* parent = nullptr);
    // A dialog with a caption of its own and the stop icon: the standard
    // error report.
    StandardMessageDialog(const QString& caption, const QString& text, core::MessageButtons buttons,
                          QWidget* parent = nullptr);

    // The answer after exec(): the button pressed, or Cancel.
    core::MessageAnswer Answer() const { return answer_; }

    QAbstractButton* Button(core::MessageButton button) const;

    // What Ctrl+C (and Ctrl+Insert) put on the clipboard: the caption, the
    // text and the buttons between dashed lines, with CR LF line ends and
    // the buttons' captions without their access-key marks, each followed
    // by three spaces - the layout Windows' own message boxes copy.
    QString ClipboardText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Build(const QString& caption, const QString& text, int iconKind,
               core::MessageButtons buttons);
    void Answer(core::MessageAnswer answer);

    core::MessageButtons buttons_;
    core::MessageAnswer answer_ = core::MessageButton::Cancel;
    std::map<core::MessageButton, QAbstractButton*> buttonWidgets_;
    QString text_;
};

} // namespace kevo::platform
