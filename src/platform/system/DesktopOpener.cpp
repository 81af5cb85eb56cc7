// SPDX-License-Identifier: Apache-2.0
#include "platform/system/DesktopOpener.h"

namespace kevo::platform {

OpenOutcome OpenRequest::Outcome() const {
    std::lock_guard lock(mutex_);
    return outcome_;
}

OpenOutcome OpenRequest::WaitFor(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    ended_.wait_for(lock, timeout,
                    [this] { return outcome_.state != OpenOutcome::State::Running; });
    return outcome_;
}

void OpenRequest::Finish(OpenOutcome outcome) {
    {
        std::lock_guard lock(mutex_);
        if (outcome_.state != OpenOutcome::State::Running)
            return;
        outcome_ = outcome;
    }
    ended_.notify_all();
}

std::shared_ptr<OpenRequest> SimulatedOpener::Open(const std::string& target) {
    targets_.push_back(target);
    OpenOutcome outcome = OpenOutcome::Opened();
    if (!script_.empty()) {
        outcome = script_.front();
        script_.pop_front();
    }
    last_ = std::make_shared<OpenRequest>(outcome);
    return last_;
}

} // namespace kevo::platform
