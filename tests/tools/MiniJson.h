// SPDX-License-Identifier: Apache-2.0
#pragma once

// A strict JSON reader for the tests: the whole of RFC 8259 and nothing
// more (no trailing commas, no comments, no lone surrogates, no bytes that
// are not UTF-8), and duplicate member names are refused too, since a
// document with two members of one name is useless to its readers.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kevo::test {

class JsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    // Numbers are kept as written; Integer() converts whole numbers.
    std::string number;
    std::string string; // UTF-8
    std::vector<JsonValue> array;
    std::vector<std::pair<std::string, JsonValue>> object;

    bool IsNull() const { return type == Type::Null; }
    bool Has(std::string_view key) const;
    // The member of that name; throws JsonError when there is none or this
    // is not an object.
    const JsonValue& operator[](std::string_view key) const;
    const JsonValue& operator[](std::size_t index) const;
    std::int64_t Integer() const;
    const std::string& String() const;
    bool Bool() const;
    std::vector<std::string> Keys() const;
};

// Parses one document; throws JsonError saying where it went wrong.
JsonValue ParseJson(std::string_view text);

} // namespace kevo::test
