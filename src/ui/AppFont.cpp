// SPDX-License-Identifier: Apache-2.0
#include "ui/AppFont.h"

#include "platform/FontFiles.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

#include <string>
#include <vector>

namespace kevo::ui {
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

} // namespace

QString FamilyOrWineCopy(const QString& family, const QString& wineFontFile) {
    const bool installed = Installed(family);
#ifdef _WIN32
    constexpr bool kWindows = true;
#else
    constexpr bool kWindows = false;
#endif
    const std::vector<std::string> files = platform::FontFilesToLoad(
        installed, platform::SystemFontFolders(), wineFontFile.toStdString(), kWindows,
        [](const std::string& file) { return QFile::exists(QString::fromStdString(file)); });
    for (const std::string& file : files) {
        const int id = QFontDatabase::addApplicationFont(QString::fromStdString(file));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty() && UsableAtThisScale(families.front()))
            return families.front();
        QFontDatabase::removeApplicationFont(id);
    }
    return installed && UsableAtThisScale(family) ? family : QString();
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

} // namespace kevo::ui
