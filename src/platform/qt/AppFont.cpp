// SPDX-License-Identifier: Apache-2.0
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

// Qt draws the strikes of a font without outlines at their own pixel sizes
// while it scales the layout, so on a scaled screen (a device pixel ratio
// other than 1) such a font comes out as tiny, spaced-out letters.
bool UsableAtThisScale(const QString& family) {
    return QFontDatabase::isSmoothlyScalable(family) ||
           qFuzzyCompare(qGuiApp->devicePixelRatio(), 1.0);
}

// Where Wine's copy of a font file may be found. On Linux its Unix path.
// A Windows program under Wine reaches that path only when the current
// drive is Z:, so there it is named through Wine's Z: drive, which maps the
// Unix root, and the Windows fonts folder, where Wine installs fonts, comes
// first.
QStringList WineCopies(const QString& wineFontFile) {
    QStringList copies;
#ifdef _WIN32
    const QString windowsDir = qEnvironmentVariable("WINDIR");
    if (!windowsDir.isEmpty())
        copies << windowsDir + QStringLiteral("\\Fonts\\") + wineFontFile;
    copies << QStringLiteral("Z:\\usr\\share\\wine\\fonts\\") + wineFontFile;
#else
    copies << QStringLiteral("/usr/share/wine/fonts/") + wineFontFile;
#endif
    return copies;
}

} // namespace

QString FamilyOrWineCopy(const QString& family, const QString& wineFontFile) {
    if (Installed(family))
        return UsableAtThisScale(family) ? family : QString();
    for (const QString& wineCopy : WineCopies(wineFontFile)) {
        if (!QFile::exists(wineCopy))
            continue;
        const int id = QFontDatabase::addApplicationFont(wineCopy);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty() && UsableAtThisScale(families.front()))
            return families.front();
        QFontDatabase::removeApplicationFont(id);
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
