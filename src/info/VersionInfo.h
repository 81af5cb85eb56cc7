// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kevo::info {

// The fixed part of a version information block: the file version as two
// 32-bit numbers, major and minor in the first, build and release in the
// second, 16 bits each.
struct FixedFileInfo {
    std::uint32_t fileVersionMS = 0;
    std::uint32_t fileVersionLS = 0;

    bool operator==(const FixedFileInfo&) const = default;
};

// One entry of the translation table: the language id and the code page of
// one string table.
struct Translation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;

    bool operator==(const Translation&) const = default;
};

// Version information that has been read into memory: the three kinds of
// lookup the about box makes. Each says when the lookup fails.
class VersionBlock {
public:
    virtual ~VersionBlock() = default;
    // The root block "\".
    virtual std::optional<FixedFileInfo> Root() const = 0;
    // "\VarFileInfo\Translation"; an empty table is a failed lookup.
    virtual std::vector<Translation> Translations() const = 0;
    // A value of a string table, named by its whole path:
    // "\StringFileInfo\080904E4\CompanyName".
    virtual std::optional<std::string> Value(const std::string& subBlock) const = 0;
};

// The version information of the running program.
class VersionInformation {
public:
    virtual ~VersionInformation() = default;
    // The size of the information in bytes; 0 when the program has none.
    virtual std::size_t Size() const = 0;
    // Reads the information; nothing when the read fails.
    virtual std::unique_ptr<VersionBlock> Read() const = 0;
};

// Version information held as plain values: the program's own (compiled in,
// see ProgramVersion.h) and any that a test describes.
struct VersionData {
    // Whether there is any information at all (Size() is 0 when not).
    bool present = true;
    // Whether reading it succeeds.
    bool readable = true;
    std::optional<FixedFileInfo> fixed;
    std::vector<Translation> translations;
    // String tables by their eight hexadecimal digits of language and code
    // page ("080904E4"), each mapping keys to values.
    std::map<std::string, std::map<std::string, std::string>> stringTables;
};

// Looks up values the way the version services do: the table name and the
// key match whatever their letter case.
class StaticVersionInformation : public VersionInformation {
public:
    explicit StaticVersionInformation(VersionData data) : data_(std::move(data)) {}
    std::size_t Size() const override;
    std::unique_ptr<VersionBlock> Read() const override;

private:
    VersionData data_;
};

// The ten keys looked up in the string table, in slot order.
inline constexpr std::array<const char*, 10> VersionInfoKeys = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTradeMarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"};

// The slots that fill the about box's labels.
inline constexpr std::size_t kSlotCompanyName = 0;
inline constexpr std::size_t kSlotLegalCopyright = 4;
inline constexpr std::size_t kSlotProductName = 7;
inline constexpr std::size_t kSlotComments = 9;

// "Version 3.2 (Build 0.0)": the two halves of each 32-bit number.
std::string FormatVersionLabel(std::uint32_t fileVersionMS, std::uint32_t fileVersionLS);

// The version label of the information: the formatted file version, or
// "Version 0.0 (Build 0.0)" when there is no information, it cannot be read
// or it has no root block.
std::string VersionLabel(const VersionInformation& info);

// "\StringFileInfo\080904E4\": the string table prefix of a translation,
// language first, four upper-case hexadecimal digits each.
std::string StringFileInfoPrefix(const Translation& translation);

// The values of the ten keys, read from the string table named by the first
// translation entry; a key that is not found leaves its slot empty, and so
// does every key when the information cannot be read or has no translation
// entry. Nothing at all when the program has no information (its labels
// then keep their initial texts).
std::optional<std::array<std::string, 10>> ReadVersionStrings(const VersionInformation& info);

} // namespace kevo::info
