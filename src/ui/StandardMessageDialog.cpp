// SPDX-License-Identifier: Apache-2.0
#include "ui/StandardMessageDialog.h"

#include "ui/Centre.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace kevo::ui {
namespace {

enum IconKind { IconWarning, IconStop, IconInformation, IconQuestion };

int IconFor(messages::MessageType type) {
    switch (type) {
    case messages::MessageType::Warning:
        return IconWarning;
    case messages::MessageType::Error:
        return IconStop;
    case messages::MessageType::Information:
        return IconInformation;
    case messages::MessageType::Confirmation:
        return IconQuestion;
    }
    return IconInformation;
}

QStyle::StandardPixmap PixmapFor(int kind) {
    switch (kind) {
    case IconWarning:
        return QStyle::SP_MessageBoxWarning;
    case IconStop:
        return QStyle::SP_MessageBoxCritical;
    case IconQuestion:
        return QStyle::SP_MessageBoxQuestion;
    default:
        return QStyle::SP_MessageBoxInformation;
    }
}

} // namespace

StandardMessageDialog::StandardMessageDialog(const QString& text, messages::MessageType type,
                                             messages::MessageButtons buttons, QWidget* parent)
    : QDialog(parent) {
    Build(QString::fromStdString(messages::MessageCaption(type)), text, IconFor(type), buttons);
}

StandardMessageDialog::StandardMessageDialog(const QString& caption, const QString& text,
                                             messages::MessageButtons buttons, QWidget* parent)
    : QDialog(parent) {
    Build(caption, text, IconStop, buttons);
}

void StandardMessageDialog::Build(const QString& caption, const QString& text, int iconKind,
                                  messages::MessageButtons buttons) {
    buttons_ = buttons.Empty() ? messages::MessageButtons(messages::MessageButton::OK) : buttons;
    text_ = text;
    setWindowTitle(caption);
    setModal(true);
    setObjectName(QStringLiteral("StandardMessageDialog"));

    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(PixmapFor(iconKind), nullptr, this).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    icon->setObjectName(QStringLiteral("icon"));

    auto* message = new QLabel(text, this);
    message->setTextFormat(Qt::PlainText);
    message->setObjectName(QStringLiteral("message"));

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addWidget(message, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    const messages::MessageButton defaultButton = messages::DefaultButton(buttons_);
    for (const messages::MessageButton button : messages::OrderedButtons(buttons_)) {
        auto* widget =
            new QPushButton(QString::fromStdString(messages::MessageButtonCaption(button)), this);
        // Enter presses the button that has the focus; the default button
        // answers it while no other button has the focus.
        widget->setAutoDefault(true);
        widget->setDefault(button == defaultButton);
        connect(widget, &QPushButton::clicked, this, [this, button] { Answer(button); });
        buttonWidgets_[button] = widget;
        row->addWidget(widget);
    }
    row->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    if (auto it = buttonWidgets_.find(defaultButton); it != buttonWidgets_.end())
        it->second->setFocus();
}

QAbstractButton* StandardMessageDialog::Button(messages::MessageButton button) const {
    const auto it = buttonWidgets_.find(button);
    return it == buttonWidgets_.end() ? nullptr : it->second;
}

QString StandardMessageDialog::ClipboardText() const {
    const QString rule = QStringLiteral("---------------------------\r\n");
    QString buttons;
    for (const messages::MessageButton button : messages::OrderedButtons(buttons_))
        buttons +=
            QString::fromStdString(messages::MessageButtonCaption(button)).remove(QLatin1Char('&')) +
            QStringLiteral("   ");
    QString text = text_;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return rule + windowTitle() + QStringLiteral("\r\n") + rule + text + QStringLiteral("\r\n") +
           rule + buttons + QStringLiteral("\r\n") + rule;
}

void StandardMessageDialog::Answer(messages::MessageAnswer answer) {
    answer_ = answer;
    done(answer == messages::MessageButton::Cancel ? QDialog::Rejected : QDialog::Accepted);
}

void StandardMessageDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Answer(messages::EscapeAnswer(buttons_));
        return;
    }
    if (event->matches(QKeySequence::Copy) ||
        (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier)) {
        QGuiApplication::clipboard()->setText(ClipboardText());
        return;
    }
    // A button's access letter answers it without Alt too ("y" for "&Yes"),
    // as in the system's own message boxes.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::ShiftModifier) {
        for (const auto& [button, widget] : buttonWidgets_) {
            const QKeySequence access = QKeySequence::mnemonic(widget->text());
            if (!access.isEmpty() && access[0].key() == event->key()) {
                Answer(button);
                return;
            }
        }
    }
    QDialog::keyPressEvent(event);
}

void StandardMessageDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the screen, not on the window that asks.
    CentreOnScreen(this);
}

} // namespace kevo::ui
