#include "platform/qt/AppFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

namespace kevo::platform {
namespace {

// Qt lists a family under its name, or under its name and its foundry in
// brackets when several foundries ship it.
bool Installed(const QString& family) {
    const QString withFoundry = family + QStringLiteral(" [");
    for (const QString& installed : QFontDatabase::families())
        if (installed == family || installed.startsWith(withFoundry))
            return true;
    return false;
}

} // namespace

QString FamilyOrWineCopy(const QString& family, const QString& wineFontFile) {
    if (Installed(family))
        return family;
    const QString wineCopy = QStringLiteral("/usr/share/wine/fonts/") + wineFontFile;
    if (QFile::exists(wineCopy)) {
        const int id = QFontDatabase::addApplicationFont(wineCopy);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            return families.front();
    }
    return QString();
}

QFont ProgramFont(int pointSize) {
    static const QString tahoma =
        FamilyOrWineCopy(QStringLiteral("Tahoma"), QStringLiteral("tahoma.ttf"));
    QFont font = QGuiApplication::font();
    if (!tahoma.isEmpty())
        font.setFamily(tahoma);
    font.setPointSize(pointSize);
    return font;
}

} // namespace kevo::platform
