// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::tools {

// The bytes as a JSON string literal, quotes included. Well-formed UTF-8
// sequences are written as they are; each escaped byte (TextCoding.h) and
// each other byte that is not part of one is written as U+FFFD ("\ufffd"),
// so the result is always valid JSON in UTF-8.
// The quote, the backslash, control characters and DEL are escaped.
std::string JsonQuoted(std::string_view bytes);

// The bytes with each escaped byte and each other byte that is not part of a
// well-formed UTF-8 sequence replaced by U+FFFD (EF BF BD): text for formats
// that must be UTF-8.
std::string WithReplacementCharacters(std::string_view bytes);

// The bytes as lowercase hexadecimal, two digits per byte.
std::string HexBytes(std::string_view bytes);

// Writes one JSON document, indented by two blanks per level. The caller
// keeps the grammar (a key before every member value); the writer places
// the commas and line breaks.
class JsonWriter {
public:
    // A compact array or object is written on one line.
    void BeginObject(bool compact = false);
    void EndObject();
    void BeginArray(bool compact = false);
    void EndArray();

    void Key(std::string_view key);
    void String(std::string_view bytes);
    void Integer(std::int64_t value);
    void Bool(bool value);
    void Null();

    // A member holding text read from files or the printing service: the
    // member itself, and when the text is not well-formed UTF-8 a second
    // member named key + "Hex" that holds the bytes it came from exactly
    // (HexBytes; an escaped byte as the one byte it stands for).
    void TextMember(std::string_view key, std::string_view bytes);

    // The document so far; complete once every container is closed. Ends
    // with a line break then.
    const std::string& Text() const { return text_; }

private:
    struct Level {
        bool compact = false;
        bool empty = true;
    };
    void BeforeValue();
    void Open(char bracket, bool compact);
    void Close(char bracket);
    void NewLine();

    std::string text_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

} // namespace kevo::tools
