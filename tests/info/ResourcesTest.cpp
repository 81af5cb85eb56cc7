// SPDX-License-Identifier: Apache-2.0
#include "resources/KevoResources.h"

#include <QImage>
#include <QTest>

using namespace kevo::resources;

class ResourcesTest : public QObject {
    Q_OBJECT

private slots:
    void menuPicturesAre16By16WithTransparency() {
        for (int index = 0; index < kMenuPictureCount; ++index) {
            const QPixmap picture = MenuPicturePixmap(index);
            QVERIFY2(!picture.isNull(), qPrintable(QString::number(index)));
            QCOMPARE(picture.size(), QSize(16, 16));
            const QImage image = picture.toImage();
            QVERIFY(image.hasAlphaChannel());
            // Something is drawn, and not everything: the background shows
            // through somewhere.
            int transparent = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    transparent += qAlpha(image.pixel(x, y)) == 0 ? 1 : 0;
            QVERIFY2(transparent > 0 && transparent < 256, qPrintable(QString::number(index)));
        }
        QVERIFY(MenuPicturePixmap(-1).isNull());
        QVERIFY(MenuPicturePixmap(kMenuPictureCount).isNull());
    }

    void programIconComesInEverySize() {
        QCOMPARE(ProgramIcon32().size(), QSize(32, 32));
        const QList<QSize> sizes = ProgramIcon().availableSizes();
        for (const int size : {16, 24, 32, 48, 64, 128, 256})
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        InitResources(); // again: harmless
        QCOMPARE(ProgramIcon32().size(), QSize(32, 32));
    }
};

QTEST_MAIN(ResourcesTest)
#include "ResourcesTest.moc"
