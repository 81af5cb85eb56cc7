// SPDX-License-Identifier: Apache-2.0
// The names file reader: random bytes as a names file, compared with a
// plain reading of the rules: a line ends at LF, every CR that is not part
// of the line end is dropped (CR LF ends a line as LF does), a Ctrl-Z at the
// start of a line ends the file, at most 99 lines are read, a 100th line
// (blank or not) means "too many", and no line at all means "empty"; a line
// with a NUL byte means the file is no text in the code page (1252 here),
// and each other line is decoded from it. The names then fill the table's
// first two columns. A file with a byte-order mark is decoded first: there
// only the limits are checked.

#include "FuzzInput.h"

#include "setup/ConfigTable.h"
#include "setup/NamesFile.h"
#include "platform/text/TextCoding.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using kevo::fuzz::Broken;
using kevo::fuzz::Check;
using kevo::setup::NamesFileResult;

std::string g_path;

struct Expected {
    NamesFileResult::Outcome outcome = NamesFileResult::Outcome::Loaded;
    std::vector<std::string> names;
    bool marked = false; // decoded from UTF-8 or UTF-16 first: not worked out here
};

Expected ReadByTheRules(const std::string& bytes) {
    Expected expected;
    if (kevo::platform::MarkOf(bytes) != kevo::platform::ByteOrderMark::None) {
        expected.marked = true;
        return expected;
    }
    std::size_t pos = 0;
    while (pos < bytes.size() && bytes[pos] != '\x1a') {
        if (expected.names.size() == 99) {
            expected.outcome = NamesFileResult::Outcome::TooMany;
            return expected;
        }
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        std::string name;
        for (std::size_t i = pos; i < end; ++i) {
            if (bytes[i] != '\r')
                name += bytes[i];
        }
        if (name.find('\0') != std::string::npos) {
            expected.outcome = NamesFileResult::Outcome::ReadError;
            return expected;
        }
        expected.names.push_back(kevo::platform::DecodeCodePage(name, 1252));
        pos = end + 1;
    }
    if (expected.names.empty())
        expected.outcome = NamesFileResult::Outcome::Empty;
    return expected;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("KEVOCONF_CODEPAGE", "1252", 1);
    std::error_code error;
    const fs::path base = fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0
                              ? fs::path("/dev/shm")
                              : fs::temp_directory_path();
    std::string pattern = (base / "kevo-fuzz-names-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        Broken("cannot make a temporary folder");
    g_path = pattern + "/names.txt";
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(fs::path(g_path).parent_path(), ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(g_path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const NamesFileResult result = kevo::setup::ReadNamesFile(g_path);
    const Expected expected = ReadByTheRules(bytes);
    if (!expected.marked) {
        Check(result.outcome == expected.outcome, "the outcome differs from the rules");
        Check(result.names == expected.names, "the names differ from the rules");
    }
    Check(result.names.size() <= 99, "more than 99 names");
    for (const std::string& name : result.names)
        Check(name.find_first_of("\r\n") == std::string::npos, "a name holds a line end");

    // On the heap: clang 14 crashes compiling a table on the stack in C++20.
    const auto table = std::make_unique<kevo::setup::ConfigTable>();
    table->LayOut();
    kevo::setup::FillNameColumns(*table, result.names);
    for (int line = kevo::setup::kFirstLine; line <= kevo::setup::kLastLine; ++line) {
        const auto index = static_cast<std::size_t>(line - 1);
        const bool read = index < result.names.size();
        Check(table->Cell(kevo::setup::ColName, line) == (read ? result.names[index] : ""),
              "a Name cell differs from its line");
        Check(table->Cell(kevo::setup::ColLineNumber, line) == (read ? std::to_string(line) : ""),
              "a line number is wrong");
    }
    const std::string message = kevo::setup::NamesFileMessage(result.outcome, g_path);
    Check((result.outcome == NamesFileResult::Outcome::Loaded) == message.empty(),
          "a message for a file that loaded, or none for one that did not");
    return 0;
}
