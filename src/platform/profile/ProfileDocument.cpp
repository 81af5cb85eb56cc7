// SPDX-License-Identifier: Apache-2.0
#include "platform/profile/ProfileDocument.h"

#include "platform/text/TextCoding.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kevo::platform {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

bool IsBlankLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), IsBlank);
}

// The name of a section header line; false for every other line.
bool HeaderName(std::string_view line, std::string_view& name) {
    const std::string_view text = TrimBlanks(line);
    if (text.empty() || text.front() != '[') {
        return false;
    }
    const std::size_t close = text.rfind(']');
    if (close == 0 || close == std::string_view::npos) {
        return false;
    }
    name = TrimBlanks(text.substr(1, close - 1));
    return true;
}

// The name of a key line (the line is known not to be a header); false for
// comments and for lines without "=".
bool KeyName(std::string_view line, std::string_view& name) {
    const std::string_view text = TrimBlanks(line);
    if (text.empty() || text.front() == ';') {
        return false;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return false;
    }
    name = TrimBlanks(line.substr(0, equals));
    return true;
}

std::string ReplaceLineBreaks(std::string_view text) {
    std::string result(text);
    std::replace_if(
        result.begin(), result.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return result;
}

} // namespace

std::size_t ProfileDocument::NameHash::operator()(std::string_view name) const noexcept {
    std::size_t hash = 14695981039346656037ULL; // FNV-1a
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(LowerAscii(c));
        hash *= 1099511628211ULL;
    }
    return hash;
}

bool ProfileDocument::NameEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

ProfileDocument::ProfileDocument() {
    sections_.emplace_back();
}

void ProfileDocument::Load(std::string bytes) {
    source_ = std::move(bytes);
    written_.clear();
    sections_.clear();
    index_.clear();
    sections_.emplace_back();

    const char* const data = source_.data();
    const std::size_t size = source_.size();
    std::size_t begin = 0;
    while (begin < size) {
        const void* found = std::memchr(data + begin, '\n', size - begin);
        const std::size_t end =
            found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - data)
                             : size;
        std::string_view line(data + begin, end - begin);
        // CR belongs to the line end only before LF; a lone CR is data.
        if (found != nullptr && !line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        AddLine(line);
        begin = end + 1;
    }
}

void ProfileDocument::AddLine(std::string_view line) {
    std::string_view name;
    if (HeaderName(line, name)) {
        sections_.emplace_back();
        sections_.back().header = line;
        IndexSection(sections_.size() - 1, name);
        return;
    }
    Section& section = sections_.back();
    // Lines before the first header belong to no section: never keys.
    if (sections_.size() > 1 && KeyName(line, name) && !name.empty()) {
        section.keys.try_emplace(name, section.lines.size());
    }
    section.lines.push_back(line);
}

void ProfileDocument::IndexSection(std::size_t index, std::string_view name) {
    if (!name.empty()) {
        index_[name].push_back(index);
    }
}

ProfileDocument::Section* ProfileDocument::FindSection(std::string_view cleanName) {
    const auto found = index_.find(cleanName);
    if (found == index_.end() || found->second.empty()) {
        return nullptr;
    }
    return &sections_[found->second.front()];
}

const ProfileDocument::Section* ProfileDocument::FindSection(std::string_view cleanName) const {
    return const_cast<ProfileDocument*>(this)->FindSection(cleanName);
}

std::string_view ProfileDocument::Keep(std::string text) {
    // A deque never moves its elements, so views of them stay valid.
    return written_.emplace_back(std::move(text));
}

std::string ProfileDocument::ReadString(std::string_view section, std::string_view key) const {
    const std::string sectionName = CleanName(section);
    const std::string keyName = CleanName(key);
    if (sectionName.empty() || keyName.empty()) {
        return {};
    }
    const Section* found = FindSection(sectionName);
    if (found == nullptr) {
        return {};
    }
    const auto line = found->keys.find(std::string_view(keyName));
    if (line == found->keys.end()) {
        return {};
    }
    const std::string_view text = found->lines[line->second];
    std::string_view value = TrimBlanks(text.substr(text.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return CutToCharacters(value, kMaxValueLength);
}

std::vector<std::string> ProfileDocument::SectionNames() const {
    std::vector<std::string> names;
    for (std::size_t i = 1; i < sections_.size(); ++i) {
        std::string_view name;
        if (!sections_[i].erased && HeaderName(sections_[i].header, name))
            names.emplace_back(name);
    }
    return names;
}

bool ProfileDocument::Holds(std::string_view section, std::string_view key,
                            std::string_view value) const {
    const Section* found = FindSection(CleanName(section));
    if (found == nullptr)
        return false;
    const auto line = found->keys.find(std::string_view(CleanName(key)));
    if (line == found->keys.end())
        return false;
    const std::string_view text = found->lines[line->second];
    return TrimBlanks(text.substr(text.find('=') + 1)) == TrimBlanks(CleanValue(value));
}

void ProfileDocument::WriteString(std::string_view section, std::string_view key,
                                  std::string_view value) {
    // An equal value keeps the whole line, as the profile functions do.
    if (Holds(section, key, value))
        return;
    const std::string sectionName = CleanName(section);
    const std::string keyName = CleanName(key);
    const std::string text = CleanValue(value);

    Section* found = FindSection(sectionName);
    if (found == nullptr) {
        const std::string_view header = Keep("[" + sectionName + "]");
        sections_.emplace_back();
        sections_.back().header = header;
        IndexSection(sections_.size() - 1, header.substr(1, header.size() - 2));
        found = &sections_.back();
    }

    const auto existing = found->keys.find(std::string_view(keyName));
    if (existing != found->keys.end()) {
        // The line keeps its own spelling of the key, up to the "=".
        std::string_view& line = found->lines[existing->second];
        line = Keep(std::string(line.substr(0, line.find('=') + 1)) + text);
        return;
    }

    // After the section's last non-blank line, so that the blank lines that
    // part it from the next section stay after it. Only blank lines follow
    // the insertion point, so the line numbers of the keys do not change.
    std::size_t position = found->lines.size();
    while (position > 0 && IsBlankLine(found->lines[position - 1])) {
        --position;
    }
    const std::string_view line = Keep(keyName + "=" + text);
    found->lines.insert(found->lines.begin() + static_cast<std::ptrdiff_t>(position), line);
    found->keys.emplace(line.substr(0, keyName.size()), position);
}

bool ProfileDocument::EraseSection(std::string_view section) {
    const auto found = index_.find(std::string_view(CleanName(section)));
    if (found == index_.end() || found->second.empty()) {
        return false;
    }
    Section& erased = sections_[found->second.front()];
    found->second.erase(found->second.begin());
    if (found->second.empty()) {
        index_.erase(found);
    }
    erased.erased = true;
    erased.lines.clear();
    erased.keys.clear();
    return true;
}

void ProfileDocument::Emit(const std::function<void(std::string_view)>& sink) const {
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& section = sections_[i];
        if (section.erased) {
            continue;
        }
        if (i > 0) {
            sink(section.header);
            sink(kLineEnd);
        }
        for (const std::string_view line : section.lines) {
            sink(line);
            sink(kLineEnd);
        }
    }
}

std::string ProfileDocument::Text() const {
    std::string text;
    Emit([&text](std::string_view piece) { text.append(piece); });
    return text;
}

std::string ProfileDocument::CleanName(std::string_view name) {
    return std::string(TrimBlanks(ReplaceLineBreaks(name)));
}

std::string ProfileDocument::CleanValue(std::string_view value) {
    return ReplaceLineBreaks(value);
}

bool ProfileDocument::IsWritableSectionName(std::string_view cleanName) {
    return !cleanName.empty();
}

bool ProfileDocument::IsWritableKeyName(std::string_view cleanName) {
    // A key line that begins with "[" is read back as a section header as
    // soon as its value holds a "]" ("[k=]x" is the section "k="), and every
    // key after it would land in that section: no such key is written.
    return !cleanName.empty() && cleanName.find('=') == std::string_view::npos &&
           cleanName.front() != ';' && cleanName.front() != '[';
}

} // namespace kevo::platform
