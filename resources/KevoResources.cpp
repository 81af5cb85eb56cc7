// SPDX-License-Identifier: Apache-2.0
#include "resources/KevoResources.h"

#include <QString>

#include <array>

// Q_INIT_RESOURCE must be used outside any namespace. The resources live in
// a static library, so nothing would pull them into the program without
// this call.
static void InitKevoconfResources() {
    Q_INIT_RESOURCE(kevoconf);
}

namespace kevo::resources {
namespace {

const std::array<const char*, kMenuPictureCount> kPictureFiles = {
    "0-floppy", "1-cross", "2-printer", "3-reload-folder", "4-check-mark", "5-help-book",
};

} // namespace

void InitResources() {
    static const bool done = [] {
        InitKevoconfResources();
        return true;
    }();
    (void)done;
}

QPixmap MenuPicturePixmap(int index) {
    InitResources();
    if (index < 0 || index >= kMenuPictureCount)
        return {};
    return QPixmap(QStringLiteral(":/kevoconf/pictures/%1.png")
                       .arg(QLatin1String(kPictureFiles[static_cast<std::size_t>(index)])));
}

QIcon ProgramIcon() {
    InitResources();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/kevoconf/icons/kevoconf-%1.png").arg(size),
                     QSize(size, size));
    return icon;
}

QPixmap ProgramIcon32() {
    InitResources();
    return QPixmap(QStringLiteral(":/kevoconf/icons/kevoconf-32.png"));
}

} // namespace kevo::resources
