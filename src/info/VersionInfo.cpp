// SPDX-License-Identifier: Apache-2.0
#include "info/VersionInfo.h"

#include <cstdio>

namespace kevo::info {
namespace {

const std::string kStringFileInfo = "\\StringFileInfo\\";

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

class StaticBlock : public VersionBlock {
public:
    explicit StaticBlock(VersionData data) : data_(std::move(data)) {}

    std::optional<FixedFileInfo> Root() const override { return data_.fixed; }
    std::vector<Translation> Translations() const override { return data_.translations; }

    std::optional<std::string> Value(const std::string& subBlock) const override {
        // "\StringFileInfo\" table "\" key; anything else names no value.
        if (subBlock.size() <= kStringFileInfo.size() ||
            !SameIgnoringCase(subBlock.substr(0, kStringFileInfo.size()), kStringFileInfo))
            return std::nullopt;
        const std::string rest = subBlock.substr(kStringFileInfo.size());
        const auto slash = rest.find('\\');
        if (slash == std::string::npos)
            return std::nullopt;
        const std::string table = rest.substr(0, slash);
        const std::string key = rest.substr(slash + 1);
        for (const auto& [name, values] : data_.stringTables) {
            if (!SameIgnoringCase(name, table))
                continue;
            for (const auto& [valueKey, value] : values)
                if (SameIgnoringCase(valueKey, key))
                    return value;
        }
        return std::nullopt;
    }

private:
    VersionData data_;
};

} // namespace

std::size_t StaticVersionInformation::Size() const {
    if (!data_.present)
        return 0;
    // A stand-in for the size of the block the data would fill: never 0
    // for information that is present.
    std::size_t size = 64 + 4 * data_.translations.size();
    for (const auto& [table, values] : data_.stringTables) {
        size += table.size();
        for (const auto& [key, value] : values)
            size += key.size() + value.size() + 8;
    }
    return size;
}

std::unique_ptr<VersionBlock> StaticVersionInformation::Read() const {
    if (!data_.present || !data_.readable)
        return nullptr;
    return std::make_unique<StaticBlock>(data_);
}

std::string FormatVersionLabel(std::uint32_t fileVersionMS, std::uint32_t fileVersionLS) {
    char text[64];
    std::snprintf(text, sizeof text, "Version %d.%d (Build %d.%d)",
                  static_cast<int>(fileVersionMS >> 16), static_cast<int>(fileVersionMS & 0xFFFFu),
                  static_cast<int>(fileVersionLS >> 16), static_cast<int>(fileVersionLS & 0xFFFFu));
    return text;
}

std::string VersionLabel(const VersionInformation& info) {
    if (info.Size() != 0) {
        if (const auto block = info.Read()) {
            if (const auto fixed = block->Root())
                return FormatVersionLabel(fixed->fileVersionMS, fixed->fileVersionLS);
        }
    }
    return FormatVersionLabel(0, 0);
}

std::string StringFileInfoPrefix(const Translation& translation) {
    char text[32];
    std::snprintf(text, sizeof text, "\\StringFileInfo\\%.4X%.4X\\",
                  static_cast<unsigned>(translation.language),
                  static_cast<unsigned>(translation.codePage));
    return text;
}

std::optional<std::array<std::string, 10>> ReadVersionStrings(const VersionInformation& info) {
    if (info.Size() == 0)
        return std::nullopt;
    std::array<std::string, 10> slots;
    const auto block = info.Read();
    if (!block)
        return slots;
    std::string prefix;
    if (const auto translations = block->Translations(); !translations.empty())
        prefix = StringFileInfoPrefix(translations.front());
    for (std::size_t slot = 0; slot < VersionInfoKeys.size(); ++slot) {
        if (const auto value = block->Value(prefix + VersionInfoKeys[slot]))
            slots[slot] = value->substr(0, value->find('\0'));
    }
    return slots;
}

} // namespace kevo::info
