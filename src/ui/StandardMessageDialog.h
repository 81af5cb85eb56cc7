// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "messages/MessageDialog.h"

#include <QDialog>
#include <QString>

#include <map>

class QAbstractButton;

namespace kevo::ui {

// A standard message dialog: caption and icon by type, the buttons in their
// fixed order with their access keys, OK (else Yes) as the default button,
// Esc answering Cancel, else No, else OK, and the close box answering
// Cancel. Centred on the screen.
class StandardMessageDialog : public QDialog {
    Q_OBJECT
public:
    StandardMessageDialog(const QString& text, messages::MessageType type, messages::MessageButtons buttons,
                          QWidget* parent = nullptr);
    // A dialog with a caption of its own and the stop icon: the standard
    // error report.
    StandardMessageDialog(const QString& caption, const QString& text, messages::MessageButtons buttons,
                          QWidget* parent = nullptr);

    // The answer after exec(): the button pressed, or Cancel.
    messages::MessageAnswer Answer() const { return answer_; }

    QAbstractButton* Button(messages::MessageButton button) const;

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
               messages::MessageButtons buttons);
    void Answer(messages::MessageAnswer answer);

    messages::MessageButtons buttons_;
    messages::MessageAnswer answer_ = messages::MessageButton::Cancel;
    std::map<messages::MessageButton, QAbstractButton*> buttonWidgets_;
    QString text_;
};

} // namespace kevo::ui
