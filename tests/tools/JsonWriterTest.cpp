// SPDX-License-Identifier: Apache-2.0
#include "common/JsonWriter.h"
#include "MiniJson.h"
#include "platform/text/TextCoding.h"

#include <gtest/gtest.h>

namespace kevo::tools {
namespace {

using test::ParseJson;

TEST(JsonWriter, Utf8Validity) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"Tray 1", true},
        {"B\xC3\xBCro", true},                  // ü, two bytes
        {"\xE2\x82\xAC", true},                 // €, three bytes
        {"\xF0\x9F\x96\xA8", true},             // a printer, four bytes
        {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", true}, // U+FFFF and U+10FFFF
        {"Caf\xE9", false},                     // Latin-1 é
        {"\x80", false},                        // a stray continuation byte
        {"\xC3", false},                        // cut short
        {"\xE2\x82", false},                    // cut short
        {"\xC0\xAF", false},                    // overlong "/"
        {"\xE0\x80\xAF", false},                // overlong "/"
        {"\xF0\x80\x80\xAF", false},            // overlong "/"
        {"\xED\xA0\x80", false},                // a surrogate
        {"\xF4\x90\x80\x80", false},            // above U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\xFF", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::IsValidUtf8(c.bytes), c.valid) << HexBytes(c.bytes);
}

TEST(JsonWriter, QuotingEscapesAndReplacesBadBytes) {
    struct Case {
        std::string bytes;
        std::string quoted;
    };
    const Case cases[] = {
        {"", "\"\""},
        {"a\"b\\c/", "\"a\\\"b\\\\c/\""},
        {"\r\n\t\b\f", "\"\\r\\n\\t\\b\\f\""},
        {std::string("\0\x01\x1F\x7F", 4), "\"\\u0000\\u0001\\u001f\\u007f\""},
        {"B\xC3\xBCro", "\"B\xC3\xBCro\""},
        {"Caf\xE9!", "\"Caf\\ufffd!\""},
        {"Caf\xED\xB3\xA9!", "\"Caf\\ufffd!\""}, // an escaped byte is one character
        // Each bad byte on its own; the good sequence after them stays.
        {"\xC3\x28\xE2\x82\xAC", "\"\\ufffd(\xE2\x82\xAC\""},
        {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JsonQuoted(c.bytes), c.quoted) << HexBytes(c.bytes);
        // Whatever the bytes, the result is a JSON string.
        EXPECT_NO_THROW(ParseJson(c.quoted)) << c.quoted;
    }
    EXPECT_EQ(ParseJson(JsonQuoted("a\"\\\r\n\x01"
                                   "B\xC3\xBCro"))
                  .String(),
              "a\"\\\r\n\x01"
              "B\xC3\xBCro");
}

TEST(JsonWriter, DocumentWithNestingAndHexMembers) {
    JsonWriter json;
    json.BeginObject();
    json.TextMember("good", "Tray 1");
    json.TextMember("bad", "Caf\xE9");
    json.Key("list");
    json.BeginArray(true);
    json.Integer(-3);
    json.Bool(true);
    json.Null();
    json.BeginObject();
    json.Key("n");
    json.Integer(256);
    json.EndObject();
    json.EndArray();
    json.Key("empty");
    json.BeginArray();
    json.EndArray();
    json.Key("nested");
    json.BeginObject();
    json.Key("inner");
    json.BeginArray();
    json.String("x");
    json.EndArray();
    json.EndObject();
    json.EndObject();

    EXPECT_EQ(json.Text(), "{\n"
                           "  \"good\": \"Tray 1\",\n"
                           "  \"bad\": \"Caf\\ufffd\",\n"
                           "  \"badHex\": \"436166e9\",\n"
                           "  \"list\": [-3, true, null, {\"n\": 256}],\n"
                           "  \"empty\": [],\n"
                           "  \"nested\": {\n"
                           "    \"inner\": [\n"
                           "      \"x\"\n"
                           "    ]\n"
                           "  }\n"
                           "}\n");
    const auto document = ParseJson(json.Text());
    EXPECT_EQ(document.Keys(),
              (std::vector<std::string>{"good", "bad", "badHex", "list", "empty", "nested"}));
    EXPECT_EQ(document["list"][3]["n"].Integer(), 256);
}

} // namespace
} // namespace kevo::tools
