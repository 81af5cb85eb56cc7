// SPDX-License-Identifier: Apache-2.0
#pragma once

// Whole files for the tests, byte for byte: the one place a test reads or
// writes a file (scratch folders: ScratchFolder.h).

#include <cstddef>
#include <filesystem>
#include <string>

namespace kevo::test {

// Writes the bytes as the whole file (made or truncated); throws
// std::runtime_error when that fails.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
// The whole file's bytes; throws std::runtime_error when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);
// The whole file's bytes, or nothing when there is no file to read (a log
// not written yet, a process's /proc entry after it ended).
std::string ReadBytesOrEmpty(const std::filesystem::path& path);
// The last `maxBytes` bytes of a file, for failure messages ("..." before
// them when cut, and a line that says so when there is no file).
std::string FileTail(const std::filesystem::path& path, std::size_t maxBytes = 4000);

} // namespace kevo::test
