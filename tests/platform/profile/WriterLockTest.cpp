// SPDX-License-Identifier: Apache-2.0
#include "platform/profile/WriterLock.h"

#include "Files.h"

#include <filesystem>
#include <random>

#include <gtest/gtest.h>

namespace kevo::platform {
namespace {

// One writer at a time, a reader waits only while one holds the lock, and no
// lock file outlives its holder or blocks when a killed writer left it.
TEST(WriterLockTest, OneWriterAtATimeAndNoLockOutlivesItsHolder) {
    namespace fs = std::filesystem;
    using std::chrono::milliseconds;
    const fs::path folder =
        fs::temp_directory_path() / ("kevo-lock-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder);
    const std::string setup = (folder / "Vezerava.ini").string();
    {
        const WriterLock first(setup);
        ASSERT_TRUE(first.Held());
        EXPECT_FALSE(WriterLock(setup, milliseconds(20)).Held());
        EXPECT_TRUE(WriterLock::AwaitWriter(setup, milliseconds(0)));
    }
    EXPECT_FALSE(fs::exists(WriterLock::LockFilePath(setup)));
    EXPECT_FALSE(WriterLock::AwaitWriter(setup, milliseconds(0)));
    test::WriteBytes(WriterLock::LockFilePath(setup), "left by a killed writer");
    EXPECT_FALSE(WriterLock::AwaitWriter(setup, milliseconds(0)));
    EXPECT_TRUE(WriterLock(setup, milliseconds(0)).Held());
    fs::remove_all(folder);
}

} // namespace
} // namespace kevo::platform
