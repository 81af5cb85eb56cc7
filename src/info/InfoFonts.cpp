#include "info/InfoFonts.h"

#include "platform/qt/AppFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

namespace kevo::info {
namespace {

// Qt lists a family under its name, or under its name and its foundry in
// brackets when several foundries ship it.
bool Installed(const QString& family) {
    const QStringList families = QFontDatabase::families();
    const QString withFoundry = family + QStringLiteral(" [");
    for (const QString& installed : families)
        if (installed == family || installed.startsWith(withFoundry))
            return true;
    return false;
}

QString MsSansSerifFamily() {
    static const QString family = [] {
        if (Installed(QStringLiteral("MS Sans Serif")))
            return QStringLiteral("MS Sans Serif");
        const QString wineCopy = QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf");
        if (QFile::exists(wineCopy)) {
            const int id = QFontDatabase::addApplicationFont(wineCopy);
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty())
                return families.front();
        }
        return QString();
    }();
    return family;
}

} // namespace

QFont MsSansSerifFont(int pointSize) {
    const QString family = MsSansSerifFamily();
    if (family.isEmpty())
        return platform::ProgramFont(pointSize);
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
