// SPDX-License-Identifier: Apache-2.0
// The profile (INI) file reader and writer: a random file, random writes
// and erases, flushed to a temporary folder and read again.
//
// Input: two bytes of file length, the file's bytes, then operations (a byte
// each, then its names and value): write, erase, or flush in the middle.
// The first byte's lowest bit set means that no file exists at the start.
//
// What must hold:
// - a written value reads back as the reading rules make it: CR and LF
//   became blanks, blanks (space, tab) at both ends are gone, one pair of
//   enclosing quotes is gone, at most 2047 bytes;
// - a write is refused only for a name that could not be read back (empty,
//   or a key holding "=" or beginning like a comment or a section header);
// - every other key of every section that was not erased reads as before;
// - the file never keeps a temporary file beside it, every line of a
//   written file ends with CR LF, and reading and writing it again gives the
//   same bytes; without a change the file is left as it was.

#include "FuzzInput.h"

#include "platform/profile/ProfileDocument.h"
#include "platform/profile/ProfileFile.h"
#include "platform/text/TextCoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using kevo::fuzz::Broken;
using kevo::fuzz::Check;
using kevo::fuzz::FuzzInput;
using kevo::platform::ProfileDocument;
using kevo::platform::ProfileFile;
using kevo::platform::ProfileWriteError;

std::string g_folder;

// A key that begins with "[" is refused: with a value holding "]" its line
// would read back as a section header ("[k" and "]x" give the section
// "[k=]"), losing the value. Set this to true to keep "]" out of such values
// instead, as the writes had to before that rule.
constexpr bool kKeyBracketFaultOpen = false;

// Names that the program and hostile files use, so that writes meet the
// sections and keys of the file.
const std::array<std::string, 24> kNames = {"1",
                                            "7",
                                            "99",
                                            "General",
                                            "Name",
                                            "Device",
                                            "PaperSource1",
                                            " 7 ",
                                            "NAME",
                                            "device",
                                            "[x]",
                                            "a]b",
                                            "a[b",
                                            ";c",
                                            "k=v",
                                            "",
                                            " ",
                                            "\"q\"",
                                            "[k",
                                            "\xc3\x9c",
                                            "\xff",
                                            "x\r\n[7]\r\nDevice=evil",
                                            "\t1",
                                            "Port"};

std::string Hex(std::string_view text) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : text.substr(0, 200)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 15];
        }
    }
    return out;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string NoLineBreaks(std::string_view text) {
    std::string result(text);
    std::replace(result.begin(), result.end(), '\r', ' ');
    std::replace(result.begin(), result.end(), '\n', ' ');
    return result;
}

// A name as the file matches it: line breaks as blanks, no blanks at the
// ends, ASCII letters in one case.
std::string MatchName(std::string_view name) {
    std::string result = Trim(NoLineBreaks(name));
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

// Random bytes are no text: a byte that is not part of UTF-8 is written as
// that byte and reads back as the program's text for it.
std::string AsRead(std::string_view text) {
    std::string bytes;
    static_cast<void>(kevo::platform::EncodeCodePage(text, kevo::platform::kCodePageUtf8, bytes));
    return kevo::platform::DecodeCodePage(bytes, kevo::platform::kCodePageUtf8);
}

// What reading gives for a written value.
std::string ReadsBackAs(std::string_view value) {
    std::string text = Trim(NoLineBreaks(AsRead(value)));
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return kevo::platform::CutToCharacters(text, ProfileDocument::kMaxValueLength);
}

// Whether a key name could never be found again once written: a key line
// must hold its name before the first "=", and must not read as a comment
// or (with a "]" in its value) as a section header.
bool KeyCannotBeReadBack(std::string_view key) {
    const std::string name = Trim(NoLineBreaks(key));
    return name.empty() || name.find('=') != std::string::npos || name.front() == ';' ||
           name.front() == '[';
}

// The section and key names of a file, by a plain reading of the format.
std::vector<std::pair<std::string, std::string>> NamesInFile(const std::string& bytes) {
    std::vector<std::pair<std::string, std::string>> names;
    std::istringstream lines(bytes);
    std::string line;
    bool inSection = false;
    std::string section;
    while (std::getline(lines, line) && names.size() < 300) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string text = Trim(line);
        const std::size_t close = text.rfind(']');
        if (!text.empty() && text.front() == '[' && close != std::string::npos && close > 0) {
            section = Trim(text.substr(1, close - 1));
            inSection = true;
            names.emplace_back(section, "Name");
        } else if (inSection && !text.empty() && text.front() != ';' &&
                   line.find('=') != std::string::npos) {
            names.emplace_back(section, Trim(line.substr(0, line.find('='))));
        }
    }
    return names;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string PickName(FuzzInput& in) {
    const std::uint8_t choice = in.Byte();
    if (choice < 0xc0)
        return kNames[choice % kNames.size()];
    return in.Bytes(in.Byte() % 40);
}

void CheckFolderHoldsOnly(const std::string& expected) {
    for (const auto& entry : fs::directory_iterator(g_folder)) {
        if (entry.path().filename() != expected)
            Broken("a temporary file was left: " + entry.path().string());
    }
}

void CheckLineEnds(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            Broken("a written line does not end with CR LF");
    }
    Check(bytes.empty() || (bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n"),
          "the written file does not end with CR LF");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The files are read as UTF-8, where every byte can be written again:
    // random values need not fit a code page.
    ::setenv("KEVOCONF_CODEPAGE", "utf-8", 1);
    // Memory-backed when possible: every run writes, syncs and renames.
    std::error_code error;
    const fs::path base = fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0
                              ? fs::path("/dev/shm")
                              : fs::temp_directory_path();
    std::string pattern = (base / "kevo-fuzz-profile-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        Broken("cannot make a temporary folder");
    g_folder = pattern;
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(g_folder, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const bool startsMissing = (in.Byte() & 1) != 0;
    const std::string original = in.Bytes(in.Word());
    const std::string path = g_folder + "/setup.ini";
    fs::remove(path);
    // A UTF-16 file with an odd last byte or a lone low surrogate from
    // U+DC80 to U+DCFF cannot be written back as it was: every save of it
    // fails, and the file stays as it is. Nothing more to check there.
    if (!startsMissing &&
        kevo::platform::MarkOf(original) == kevo::platform::ByteOrderMark::Utf16Le) {
        std::string again = "\xFF\xFE";
        const std::string_view units = std::string_view(original).substr(2);
        if (kevo::platform::EncodeUtf16(kevo::platform::DecodeUtf16(units, false), false, again))
            return 0;
    }
    if (!startsMissing)
        WriteFileBytes(path, original);

    ProfileFile before(path);
    static_cast<void>(before.ReadString("1", "Name")); // loads its copy now

    std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> written;
    std::map<std::pair<std::string, std::string>, std::string> values;
    std::set<std::string> erasedSections;
    bool changed = false;
    {
        ProfileFile file(path);
        for (int operation = 0; operation < 64 && !in.Empty(); ++operation) {
            switch (in.Byte() % 8) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4: {
                // Names are the program's text, as every name it writes.
                const std::string section = AsRead(PickName(in));
                const std::string key = AsRead(PickName(in));
                std::string value = in.Text();
                if (in.Byte() == 0xff)
                    value += std::string(2040 + in.Byte(), 'v');
                if (kKeyBracketFaultOpen && Trim(NoLineBreaks(key)).rfind('[', 0) == 0)
                    std::replace(value.begin(), value.end(), ']', ')');
                // The program checks that the file can hold what it writes
                // before it writes anything (a UTF-16 file holds no stray byte).
                if (file.CannotHold(section) || file.CannotHold(key) || file.CannotHold(value))
                    break;
                try {
                    file.WriteString(section, key, value);
                } catch (const ProfileWriteError&) {
                    Check(MatchName(section).empty() || KeyCannotBeReadBack(key),
                          "a write with names that read back was refused: [" + Hex(section) + "] " +
                              Hex(key));
                    break;
                }
                const auto name = std::make_pair(MatchName(section), MatchName(key));
                written[name] = {section, key};
                values[name] = value;
                changed = true;
                break;
            }
            case 5:
            case 6: {
                const std::string section = AsRead(PickName(in));
                file.EraseSection(section);
                const std::string name = MatchName(section);
                erasedSections.insert(name);
                for (auto it = values.begin(); it != values.end();) {
                    if (it->first.first == name) {
                        written.erase(it->first);
                        it = values.erase(it);
                    } else {
                        ++it;
                    }
                }
                changed = true;
                break;
            }
            default:
                file.Flush();
                CheckFolderHoldsOnly("setup.ini");
                break;
            }
        }
        file.Flush();
    }
    CheckFolderHoldsOnly(fs::exists(path) ? "setup.ini" : "");

    if (!changed) {
        Check(fs::exists(path) == !startsMissing, "a file without changes came or went");
        Check(startsMissing || ReadFileBytes(path) == original,
              "a file without changes was rewritten");
        return 0;
    }

    const std::string bytes = ReadFileBytes(path);
    ProfileFile after(path);
    for (const auto& [name, value] : values) {
        const auto& [section, key] = written[name];
        const std::string got = after.ReadString(section, key);
        if (got != ReadsBackAs(value)) {
            Broken("[" + Hex(section) + "] " + Hex(key) + " wrote " + Hex(value) +
                   " and reads back " + Hex(got) + "\nfile: " + Hex(bytes));
        }
    }

    auto candidates = NamesInFile(original);
    for (const std::string& section : kNames) {
        for (const std::string& key : {"Name", "Device", "k", "[k"})
            candidates.emplace_back(section, key);
    }
    for (const auto& [section, key] : candidates) {
        const std::string sectionName = MatchName(section);
        if (erasedSections.count(sectionName) != 0 ||
            values.count({sectionName, MatchName(key)}) != 0)
            continue;
        const std::string old = before.ReadString(section, key);
        const std::string now = after.ReadString(section, key);
        if (old != now) {
            Broken("untouched [" + Hex(section) + "] " + Hex(key) + " was " + Hex(old) +
                   " and is " + Hex(now) + "\nfile: " + Hex(bytes));
        }
    }

    // Erasing sections that are not there leaves the file alone.
    if (fs::exists(path) && (startsMissing || bytes != original)) {
        // A file that began with the UTF-16 LE mark stays UTF-16: its text
        // is checked.
        const bool utf16 = kevo::platform::MarkOf(bytes) == kevo::platform::ByteOrderMark::Utf16Le;
        const std::string text =
            utf16 ? kevo::platform::DecodeUtf16(std::string_view(bytes).substr(2), false) : bytes;
        CheckLineEnds(text);
        ProfileDocument again;
        again.Load(text);
        Check(again.Text() == text, "reading and writing the file again changes it");
    }
    return 0;
}
