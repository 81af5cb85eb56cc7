// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "QuietPrompter.h"
#include "main/MainWindowLogic.h"

namespace kevo::tools {

// The windows around the main window's logic when there are none: no
// splash, no grid, nothing to disable or bring to the front, no line
// selected (so no command could ever act on a line), and a termination
// request that is remembered and ends the messages, as the program's end
// closes every later message unseen.
class HeadlessUi : public main::MainWindowUi {
public:
    explicit HeadlessUi(QuietPrompter& prompter) : prompter_(prompter) {}

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
    void RequestTermination() override {
        terminationRequested_ = true;
        prompter_.EndMessages();
    }

    bool TerminationRequested() const { return terminationRequested_; }

private:
    QuietPrompter& prompter_;
    bool terminationRequested_ = false;
};

} // namespace kevo::tools
