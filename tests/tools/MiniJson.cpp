// SPDX-License-Identifier: Apache-2.0
#include "MiniJson.h"

#include <algorithm>
#include <charconv>

namespace kevo::test {

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    JsonValue Document() {
        JsonValue value = Value();
        SkipBlanks();
        if (pos_ != text_.size())
            Fail("text after the document");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw JsonError(what + " at offset " + std::to_string(pos_));
    }

    void SkipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }

    bool Take(char c) {
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void Expect(char c) {
        if (!Take(c))
            Fail(std::string("expected '") + c + "'");
    }

    bool Word(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }

    JsonValue Value() {
        SkipBlanks();
        if (pos_ >= text_.size())
            Fail("document ends early");
        JsonValue value;
        const char c = text_[pos_];
        if (c == '{') {
            value.type = JsonValue::Type::Object;
            ++pos_;
            if (Take('}'))
                return value;
            do {
                SkipBlanks();
                std::string key = StringLiteral();
                if (value.Has(key))
                    Fail("duplicate member \"" + key + "\"");
                Expect(':');
                value.object.emplace_back(std::move(key), Value());
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            value.type = JsonValue::Type::Array;
            ++pos_;
            if (Take(']'))
                return value;
            do {
                value.array.push_back(Value());
            } while (Take(','));
            Expect(']');
        } else if (c == '"') {
            value.type = JsonValue::Type::String;
            value.string = StringLiteral();
        } else if (Word("true")) {
            value.type = JsonValue::Type::Bool;
            value.boolean = true;
        } else if (Word("false")) {
            value.type = JsonValue::Type::Bool;
        } else if (Word("null")) {
            value.type = JsonValue::Type::Null;
        } else {
            value.type = JsonValue::Type::Number;
            value.number = NumberLiteral();
        }
        return value;
    }

    std::string NumberLiteral() {
        const std::size_t start = pos_;
        const auto digits = [&] {
            const std::size_t from = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
                ++pos_;
            return pos_ - from;
        };
        if (pos_ < text_.size() && text_[pos_] == '-')
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '0')
            ++pos_;
        else if (digits() == 0)
            Fail("not a value");
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            if (digits() == 0)
                Fail("digits expected after '.'");
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-'))
                ++pos_;
            if (digits() == 0)
                Fail("digits expected in the exponent");
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    unsigned Hex4() {
        if (pos_ + 4 > text_.size())
            Fail("\\u escape ends early");
        unsigned value = 0;
        const auto [end, error] =
            std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, value, 16);
        if (error != std::errc() || end != text_.data() + pos_ + 4)
            Fail("bad \\u escape");
        pos_ += 4;
        return value;
    }

    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    // The length of the UTF-8 sequence at pos_, or 0 when it is not one.
    std::size_t Utf8Length() const {
        const auto at = [&](std::size_t i) -> unsigned {
            return pos_ + i < text_.size() ? static_cast<unsigned char>(text_[pos_ + i]) : 0u;
        };
        const auto cont = [&](std::size_t i, unsigned low, unsigned high) {
            return at(i) >= low && at(i) <= high;
        };
        const unsigned b = at(0);
        if (b >= 0xC2 && b <= 0xDF)
            return cont(1, 0x80, 0xBF) ? 2 : 0;
        if (b >= 0xE0 && b <= 0xEF)
            return cont(1, b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF) && cont(2, 0x80, 0xBF)
                       ? 3
                       : 0;
        if (b >= 0xF0 && b <= 0xF4)
            return cont(1, b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF) &&
                           cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF)
                       ? 4
                       : 0;
        return 0;
    }

    std::string StringLiteral() {
        if (pos_ >= text_.size() || text_[pos_] != '"')
            Fail("expected a string");
        ++pos_;
        std::string out;
        for (;;) {
            if (pos_ >= text_.size())
                Fail("string not closed");
            const auto c = static_cast<unsigned char>(text_[pos_]);
            if (c == '"') {
                ++pos_;
                return out;
            }
            if (c < 0x20)
                Fail("control character in a string");
            if (c >= 0x80) {
                const std::size_t length = Utf8Length();
                if (length == 0)
                    Fail("bytes that are not UTF-8");
                out.append(text_.substr(pos_, length));
                pos_ += length;
                continue;
            }
            ++pos_;
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (pos_ >= text_.size())
                Fail("escape ends early");
            const char e = text_[pos_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned code = Hex4();
                if (code >= 0xDC00 && code <= 0xDFFF)
                    Fail("lone low surrogate");
                if (code >= 0xD800 && code <= 0xDBFF) {
                    if (!Word("\\u"))
                        Fail("lone high surrogate");
                    const unsigned low = Hex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        Fail("high surrogate without its low one");
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, code);
                break;
            }
            default:
                Fail("unknown escape");
            }
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

bool JsonValue::Has(std::string_view key) const {
    return std::any_of(object.begin(), object.end(),
                       [&](const auto& member) { return member.first == key; });
}

const JsonValue& JsonValue::operator[](std::string_view key) const {
    if (type != Type::Object)
        throw JsonError("not an object, looking for \"" + std::string(key) + "\"");
    for (const auto& member : object) {
        if (member.first == key)
            return member.second;
    }
    throw JsonError("no member \"" + std::string(key) + "\"");
}

const JsonValue& JsonValue::operator[](std::size_t index) const {
    if (type != Type::Array || index >= array.size())
        throw JsonError("no array element " + std::to_string(index));
    return array[index];
}

std::int64_t JsonValue::Integer() const {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (type != Type::Number || error != std::errc() || end != number.data() + number.size())
        throw JsonError("not a whole number: " + number);
    return value;
}

const std::string& JsonValue::String() const {
    if (type != Type::String)
        throw JsonError("not a string");
    return string;
}

bool JsonValue::Bool() const {
    if (type != Type::Bool)
        throw JsonError("not true or false");
    return boolean;
}

std::vector<std::string> JsonValue::Keys() const {
    std::vector<std::string> keys;
    for (const auto& member : object)
        keys.push_back(member.first);
    return keys;
}

JsonValue ParseJson(std::string_view text) {
    return Parser(text).Document();
}

} // namespace kevo::test
