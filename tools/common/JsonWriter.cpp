// SPDX-License-Identifier: Apache-2.0
#include "common/JsonWriter.h"

#include "platform/text/TextCoding.h"

#include <cstdio>

namespace kevo::tools {

namespace {

// The length of the well-formed UTF-8 sequence at the start of bytes, or 0
// when its first byte does not begin one (the ranges of the Unicode
// standard's table of well-formed byte sequences).
std::size_t SequenceLength(std::string_view bytes) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const auto inRange = [&](std::size_t i, unsigned char low, unsigned char high) {
        return i < bytes.size() && byte(i) >= low && byte(i) <= high;
    };
    const unsigned char first = byte(0);
    if (first < 0x80)
        return 1;
    if (first >= 0xC2 && first <= 0xDF)
        return inRange(1, 0x80, 0xBF) ? 2 : 0;
    if (first >= 0xE0 && first <= 0xEF) {
        const unsigned char low = first == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = first == 0xED ? 0x9F : 0xBF;
        return inRange(1, low, high) && inRange(2, 0x80, 0xBF) ? 3 : 0;
    }
    if (first >= 0xF0 && first <= 0xF4) {
        const unsigned char low = first == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = first == 0xF4 ? 0x8F : 0xBF;
        return inRange(1, low, high) && inRange(2, 0x80, 0xBF) && inRange(3, 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

// The length of the escaped byte (a byte that no encoding defined, held as
// U+DC80 to U+DCFF) at the start of bytes, or 0: it stands for one byte, and
// is replaced by one U+FFFD.
std::size_t EscapedByteLength(std::string_view bytes) {
    std::size_t offset = 0;
    const char32_t c = platform::NextCharacter(bytes, offset);
    return c >= 0xDC80 && c <= 0xDCFF && offset == 3 ? 3 : 0;
}

} // namespace

std::string WithReplacementCharacters(std::string_view bytes) {
    std::string out;
    while (!bytes.empty()) {
        const std::size_t length = SequenceLength(bytes);
        const std::size_t escaped = length == 0 ? EscapedByteLength(bytes) : 0;
        out.append(length == 0 ? std::string_view("\xEF\xBF\xBD") : bytes.substr(0, length));
        bytes.remove_prefix(length != 0 ? length : escaped != 0 ? escaped : 1);
    }
    return out;
}

std::string JsonQuoted(std::string_view bytes) {
    std::string out = "\"";
    while (!bytes.empty()) {
        const std::size_t length = SequenceLength(bytes);
        if (length == 0) {
            const std::size_t escaped = EscapedByteLength(bytes);
            out += "\\ufffd";
            bytes.remove_prefix(escaped != 0 ? escaped : 1);
            continue;
        }
        if (length > 1) {
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
            continue;
        }
        const char c = bytes.front();
        bytes.remove_prefix(1);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char escape[7];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string HexBytes(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0x0F];
    }
    return out;
}

void JsonWriter::NewLine() {
    text_ += '\n';
    text_.append(levels_.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty())
        return;
    Level& level = levels_.back();
    if (!level.empty)
        text_ += level.compact ? ", " : ",";
    if (!level.compact)
        NewLine();
    level.empty = false;
}

void JsonWriter::Open(char bracket, bool compact) {
    BeforeValue();
    text_ += bracket;
    // Inside a compact container everything stays on its line.
    levels_.push_back({compact || (!levels_.empty() && levels_.back().compact), true});
}

void JsonWriter::Close(char bracket) {
    const Level level = levels_.back();
    levels_.pop_back();
    if (!level.compact && !level.empty)
        NewLine();
    text_ += bracket;
    if (levels_.empty())
        text_ += '\n';
}

void JsonWriter::BeginObject(bool compact) {
    Open('{', compact);
}

void JsonWriter::EndObject() {
    Close('}');
}

void JsonWriter::BeginArray(bool compact) {
    Open('[', compact);
}

void JsonWriter::EndArray() {
    Close(']');
}

void JsonWriter::Key(std::string_view key) {
    BeforeValue();
    text_ += JsonQuoted(key);
    text_ += ": ";
    afterKey_ = true;
}

void JsonWriter::String(std::string_view bytes) {
    BeforeValue();
    text_ += JsonQuoted(bytes);
}

void JsonWriter::Integer(std::int64_t value) {
    BeforeValue();
    text_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
}

void JsonWriter::Null() {
    BeforeValue();
    text_ += "null";
}

void JsonWriter::TextMember(std::string_view key, std::string_view bytes) {
    Key(key);
    String(bytes);
    if (!platform::IsValidUtf8(bytes)) {
        // The bytes as they came: an escaped byte is its byte again.
        std::string original;
        platform::EncodeCodePage(bytes, platform::kCodePageUtf8, original);
        Key(std::string(key) + "Hex");
        String(HexBytes(original));
    }
}

} // namespace kevo::tools
