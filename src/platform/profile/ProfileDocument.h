// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kevo::platform {

// The lines of one profile (INI) file in memory, with an index from section
// names to sections and, inside each section, from key names to lines.
//
// The text is UTF-8 (ProfileFile decodes and encodes the file): lines are
// kept exactly as read (without their line ends) and written back with CR
// LF. A line is
//   - a section header when its first non-blank character is "[" and a "]"
//     follows later on the line; the name lies between the "[" and the last
//     "]", without blanks at either end;
//   - a comment when its first non-blank character is ";";
//   - a key when it holds "=" (and is neither of the above); the key name is
//     the text before the first "=", without blanks at either end;
//   - anything else is kept as it stands and never matched.
// Lines before the first header belong to no section and are never touched.
// Names match ignoring the letter case of ASCII letters only. Where a section
// or a key occurs more than once, the first one counts for every operation.
class ProfileDocument {
public:
    // The most characters of a value that a read gives: the value buffer of the
    // profile functions holds 2048 characters with the terminator.
    static constexpr std::size_t kMaxValueLength = 2047;

    ProfileDocument();
    ProfileDocument(const ProfileDocument&) = delete;
    ProfileDocument& operator=(const ProfileDocument&) = delete;

    // Replaces the document by the lines of a file's bytes.
    void Load(std::string bytes);

    // The value of the first such key in the first such section, without
    // blanks at either end and without one pair of enclosing quotation marks
    // (both " or both '), cut to kMaxValueLength characters; empty when either is
    // missing.
    std::string ReadString(std::string_view section, std::string_view key) const;

    // Replaces the key's value where it stands (the line keeps its text up to
    // and including the "="), or adds "key=value" after the last non-blank
    // line of the section, or appends "[section]" and the key at the end.
    // A key that Holds the value already is left as it stands. The names
    // must pass IsWritableSectionName / IsWritableKeyName.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    // Whether the key holds the value already (both without blanks at either
    // end), so that WriteString would leave it as it stands.
    bool Holds(std::string_view section, std::string_view key, std::string_view value) const;

    // The names of the sections, in file order, every one as often as it
    // stands there.
    std::vector<std::string> SectionNames() const;

    // Removes the first section of that name with every line up to the next
    // header. False when there is no such section.
    bool EraseSection(std::string_view section);

    // Hands the document's bytes, CR LF line ends included, to sink piece by
    // piece in file order.
    void Emit(const std::function<void(std::string_view)>& sink) const;
    std::string Text() const;

    // Names and values as they are written: CR and LF would split the line
    // and are replaced by blanks; names lose the blanks at either end.
    static std::string CleanName(std::string_view name);
    static std::string CleanValue(std::string_view value);

    // Whether a cleaned name would be found again when read back: a section
    // name must not be empty; a key name must not be empty, hold "=", or
    // begin like a comment (";") or a section header ("[" ... "]").
    static bool IsWritableSectionName(std::string_view cleanName);
    static bool IsWritableKeyName(std::string_view cleanName);

private:
    // Names compare ignoring ASCII letter case; the views point into the
    // document's own storage.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept;
    };
    struct NameEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };
    template <typename Value>
    using NameMap = std::unordered_map<std::string_view, Value, NameHash, NameEqual>;

    struct Section {
        std::string_view header; // empty for the lines before the first header
        std::vector<std::string_view> lines;
        NameMap<std::size_t> keys; // first line of each key name
        bool erased = false;
    };

    void AddLine(std::string_view line);
    void IndexSection(std::size_t index, std::string_view name);
    Section* FindSection(std::string_view cleanName);
    const Section* FindSection(std::string_view cleanName) const;
    std::string_view Keep(std::string text);

    std::string source_;                      // the bytes as loaded; lines view into it
    std::deque<std::string> written_;         // texts of lines made by this document
    std::vector<Section> sections_;           // [0] holds the lines before the first header
    NameMap<std::vector<std::size_t>> index_; // sections of each name, in file order
};

} // namespace kevo::platform
