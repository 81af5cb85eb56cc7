// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace kevo::app {

// The splash window: shown while the program starts and while a full
// recheck runs. No border, no title bar, centred on the desktop.
class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSplash(QWidget* parent = nullptr);
    ~TfrmSplash() override;

    // Shows the window and paints it at once.
    void ShowNow();

    QFrame* pnl1 = nullptr;
    QLabel* lbl1 = nullptr;
    QLabel* lbl2 = nullptr;

private:
    void FormCreate();
    void FormDestroy();
};

} // namespace kevo::app
