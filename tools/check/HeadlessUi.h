#pragma once

#include "main/MainForm.h"

namespace kevo::tools {

// The windows around the main window's logic when there are none: no
// splash, no grid, nothing to disable or bring to the front, no line
// selected (so no command could ever act on a line), and a termination
// request that is only remembered.
class HeadlessUi : public main::MainFormUi {
public:
    void ShowSplash() override {}
    void HideSplash() override {}
    void BringSplashToFront() override {}
    void DisableWindows() override {}
    void EnableWindows() override {}
    void RepaintGrid() override {}
    int CurrentLine() const override { return 0; }
    std::pair<int, int> SelectedLines() const override {
        return {main::kFirstLine, main::kFirstLine - 1};
    }
    void SetWaitCursor(bool) override {}
    void RequestTermination() override { terminationRequested_ = true; }

    bool TerminationRequested() const { return terminationRequested_; }

private:
    bool terminationRequested_ = false;
};

} // namespace kevo::tools
