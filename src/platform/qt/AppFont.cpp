#include "platform/qt/AppFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>

namespace kevo::platform {
namespace {

QString TahomaFamily() {
    static const QString family = [] {
        if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
            return QStringLiteral("Tahoma");
        const QString wineCopy = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
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

QFont ProgramFont(int pointSize) {
    QFont font = QGuiApplication::font();
    const QString family = TahomaFamily();
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPointSize(pointSize);
    return font;
}

} // namespace kevo::platform
