// SPDX-License-Identifier: Apache-2.0
#include "platform/profile/FileSystem.h"

#include <atomic>

namespace kevo::platform {

namespace {

// The file system a test put in place of the real one, if any.
std::atomic<FileSystem*> replacement{nullptr};

} // namespace

FileSystem& SystemFileSystem() {
    FileSystem* const current = replacement.load();
    return current != nullptr ? *current : NativeFileSystem();
}

FileSystemOverride::FileSystemOverride(FileSystem& fileSystem)
    : previous_(replacement.exchange(&fileSystem)) {}

FileSystemOverride::~FileSystemOverride() {
    replacement.store(previous_);
}

} // namespace kevo::platform
