// SPDX-License-Identifier: Apache-2.0
// The floor for the start-up benchmark under Wine: a Qt program that shows
// one small window, lets it be painted, and ends. kevoconf.exe 2 on a clean
// setup does the same with its splash window, plus its own work.

#include <QApplication>
#include <QLabel>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // A frameless splash window, as the program's own.
    QLabel label(QStringLiteral("Please Wait - Checking Printers"), nullptr,
                 Qt::SplashScreen | Qt::FramelessWindowHint);
    label.show();
    QTimer::singleShot(0, &application, &QApplication::quit);
    return QApplication::exec();
}
