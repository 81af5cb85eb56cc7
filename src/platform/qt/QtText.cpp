// SPDX-License-Identifier: Apache-2.0
#include "platform/qt/QtText.h"

namespace kevo::platform {

QString ToQString(std::string_view bytes) {
    QString text = QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string ToBytes(const QString& text) {
    const QByteArray local = text.toLocal8Bit();
    return std::string(local.constData(), static_cast<std::size_t>(local.size()));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace kevo::platform
