// SPDX-License-Identifier: Apache-2.0
#include "info/InfoFonts.h"

#include "ui/AppFont.h"

#include <QGuiApplication>
#include <QStringList>

namespace kevo::info {
namespace {

QString MsSansSerifFamily() {
    static const QString family = ui::FamilyOrWineCopy(QStringLiteral("MS Sans Serif"),
                                                             QStringLiteral("ms_sans_serif.ttf"));
    return family;
}

} // namespace

QFont MsSansSerifFont(int pointSize) {
    const QString family = MsSansSerifFamily();
    if (family.isEmpty())
        return ui::ProgramFont(pointSize);
    QFont font = QGuiApplication::font();
    font.setFamily(family);
    font.setPointSize(pointSize);
    return font;
}

QFont ArialFont(int pointSize, bool bold) {
    QFont font = QGuiApplication::font();
    // The first of these that is installed; the desktop font when none is.
    QStringList families = {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                            QStringLiteral("Arimo"), QStringLiteral("Nimbus Sans"),
                            QStringLiteral("Helvetica")};
    families.append(font.families());
    font.setFamilies(families);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace kevo::info
