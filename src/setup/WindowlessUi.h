// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "setup/MainWindowLogic.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kevo::setup {

// The windows around the main window's logic when there are none
// (kevoconf-check, and the tests that drive the logic): nothing is drawn,
// and what the logic asked of the windows is kept so that it can be looked
// at. The grid's current line and selection are whatever is set here; by
// default no line is selected, so no command acts on a line.
class WindowlessUi : public MainWindowUi {
public:
    void ShowSplash() override {
        log += "splash+ ";
        splashShown = true;
    }
    void HideSplash() override {
        log += "splash- ";
        splashShown = false;
    }
    void BringSplashToFront() override { ++broughtToFront; }
    void DisableWindows() override {
        log += "disable ";
        disabled = true;
    }
    void EnableWindows() override {
        log += "enable ";
        disabled = false;
    }
    void RepaintGrid() override { ++repaints; }
    int CurrentLine() const override { return currentLine; }
    std::pair<int, int> SelectedLines() const override { return selection; }
    void SetWaitCursor(bool) override {}
    // The request is remembered; onTermination, when set, runs once per
    // request (the program's end closes every later message unseen).
    void RequestTermination() override {
        terminationRequested = true;
        if (onTermination)
            onTermination();
    }
    bool TerminationRequested() override { return terminationRequested; }
    // The conflicts asked about are kept, and answered with conflictAnswer
    // (by default: cancelled).
    std::optional<ConflictChoice>
    AskConflicts(const std::vector<SetupConflict>& conflicts) override {
        conflictsAsked.push_back(conflicts);
        return conflictAnswer;
    }
    void ShowNotice(const std::string& text) override { notices.push_back(text); }

    // The splash, disable and enable calls in order, each followed by a blank.
    std::string log;
    bool splashShown = false;
    bool disabled = false;
    bool terminationRequested = false;
    int broughtToFront = 0;
    int repaints = 0;
    int currentLine = 0;
    std::pair<int, int> selection{kFirstLine, kFirstLine - 1};
    std::function<void()> onTermination;
    std::vector<std::vector<SetupConflict>> conflictsAsked;
    std::optional<ConflictChoice> conflictAnswer;
    std::vector<std::string> notices;
};

} // namespace kevo::setup
