// SPDX-License-Identifier: Apache-2.0
// Reading a folder that the system copies into a buffer (the Windows
// directory): runs on Linux and in the Windows runner alike.

#include "platform/win/SystemFolder.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace kevo::testing {
namespace {

using platform::win::kWindowsDirectoryBufferSize;
using platform::win::ReadSystemFolder;

// A system call in the manner of GetWindowsDirectoryW for a folder that may
// change between two calls.
struct FolderCall {
    std::vector<std::wstring> answers;     // the folder at each call
    std::vector<std::uint32_t> sizes = {}; // the buffer offered at each call
    bool fail = false;

    std::uint32_t operator()(wchar_t* buffer, std::uint32_t size) {
        sizes.push_back(size);
        if (fail)
            return 0;
        const std::wstring& folder = answers.at(std::min(sizes.size(), answers.size()) - 1);
        const auto length = static_cast<std::uint32_t>(folder.size());
        if (length + 1 > size)
            return length + 1;
        std::wmemcpy(buffer, folder.c_str(), length + 1);
        return length;
    }
};

TEST(SystemFolder, ReadIntoA261CharacterBuffer) {
    FolderCall call{{L"C:\\WINDOWS"}};
    EXPECT_EQ(ReadSystemFolder(std::ref(call), kWindowsDirectoryBufferSize), L"C:\\WINDOWS");
    EXPECT_EQ(call.sizes, std::vector<std::uint32_t>{261});
}

TEST(SystemFolder, LengthsAroundTheBuffer) {
    for (const std::size_t length : {259u, 260u, 261u, 400u}) {
        FolderCall call{{L"C:\\" + std::wstring(length - 3, L'w')}};
        const std::wstring folder = ReadSystemFolder(std::ref(call), kWindowsDirectoryBufferSize);
        EXPECT_EQ(folder, call.answers.front()) << length;
        // 260 characters and the terminator fit the first buffer; more are
        // read again with the room the system asks for, never cut.
        EXPECT_EQ(call.sizes.size(), length <= 260 ? 1u : 2u) << length;
    }
}

TEST(SystemFolder, FailureGivesNothing) {
    FolderCall call;
    call.fail = true;
    EXPECT_EQ(ReadSystemFolder(std::ref(call), kWindowsDirectoryBufferSize), L"");
}

TEST(SystemFolder, FolderThatKeepsGrowingIsGivenUp) {
    FolderCall call{{std::wstring(300, L'a'), std::wstring(400, L'b'), std::wstring(500, L'c'),
                     std::wstring(600, L'd'), std::wstring(700, L'e')}};
    EXPECT_EQ(ReadSystemFolder(std::ref(call), kWindowsDirectoryBufferSize), L"");
    EXPECT_LE(call.sizes.size(), 4u);
}

} // namespace
} // namespace kevo::testing
