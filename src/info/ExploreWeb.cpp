// SPDX-License-Identifier: Apache-2.0
#include "info/ExploreWeb.h"

#include <cerrno>

namespace kevo::info {
namespace {

constexpr int kSuccess = 33;
constexpr int kOutOfMemory = 0;
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kActionFailed = 4;
constexpr int kAccessDenied = 5;
constexpr int kBadFormat = 11;
constexpr int kNoAssociation = 31;

int ResultForStartError(int error) {
    switch (error) {
    case ENOMEM:
    case EAGAIN:
        return kOutOfMemory;
    case ENOENT:
        return kFileNotFound;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return kPathNotFound;
    case EACCES:
    case EPERM:
        return kAccessDenied;
    case ENOEXEC:
#ifdef ELIBBAD // not on Windows
    case ELIBBAD:
#endif
    case ETXTBSY:
        return kBadFormat;
    default:
        return kActionFailed;
    }
}

int ResultForExitStatus(int status) {
    switch (status) {
    case 1:
        return 1;
    case 2:
        return kFileNotFound;
    case 3:
        return kNoAssociation;
    default:
        return kActionFailed;
    }
}

} // namespace

int ShellResultFor(const platform::OpenOutcome& outcome) {
    using State = platform::OpenOutcome::State;
    switch (outcome.state) {
    case State::Running:
    case State::Opened:
        return kSuccess;
    case State::NotStarted:
        return ResultForStartError(outcome.error);
    case State::Failed:
        return outcome.signal != 0 ? kActionFailed : ResultForExitStatus(outcome.exitStatus);
    case State::Refused:
        return outcome.shellResult;
    }
    return kActionFailed;
}

std::optional<std::string> ExploreWebMessage(int shellResult) {
    if (shellResult > 32)
        return std::nullopt;
    switch (shellResult) {
    case 0:
        return "Error: Out of Memory";
    case 2:
        return "Error: File not found";
    case 3:
        return "Error: Directory not found";
    case 11:
        return "Error: Wrong format in EXE";
    default:
        return "Error Nr:" + std::to_string(shellResult) + " in ShellExecute";
    }
}

} // namespace kevo::info
