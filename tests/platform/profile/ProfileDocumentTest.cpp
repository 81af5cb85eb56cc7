// SPDX-License-Identifier: Apache-2.0
#include "platform/profile/ProfileDocument.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kevo::platform {
namespace {

using namespace std::string_literals;

// ---------------------------------------------------------------- reading

struct ReadCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadStringTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadStringTest, GivesTheValue) {
    const ReadCase& c = GetParam();
    ProfileDocument document;
    document.Load(c.file);
    EXPECT_EQ(document.ReadString(c.section, c.key), c.expected);
}

const std::string kSection3 = "[3]\r\nName=Invoices\r\nDevice=Office Laser\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rules, ReadStringTest,
    ::testing::Values(
        ReadCase{"EmptyFile", "", "3", "Name", ""},
        ReadCase{"MissingSection", kSection3, "4", "Name", ""},
        ReadCase{"MissingKey", kSection3, "3", "Port", ""},
        ReadCase{"PresentKey", kSection3, "3", "Device", "Office Laser"},
        ReadCase{"EmptyValue", "[3]\r\nName=\r\n", "3", "Name", ""},
        ReadCase{"EmptySectionName", "[]\r\nName=x\r\n", "", "Name", ""},
        ReadCase{"EmptyKeyName", "[3]\r\n=x\r\n", "3", "", ""},
        // Names ignore the case of ASCII letters only.
        ReadCase{"SectionCase", "[General]\r\nA=1\r\n", "gENERAL", "a", "1"},
        ReadCase{"KeyCase", "[3]\r\npapersourcename1=Tray\r\n", "3", "PaperSourceName1", "Tray"},
        ReadCase{"NonAsciiCaseDiffers", "[\xC3\xA9]\r\nA=1\r\n", "\xC3\x89", "A", ""},
        ReadCase{"Latin1CaseDiffers", "[\xE9]\r\nA=1\r\n", "\xC9", "A", ""},
        // Blanks and one pair of quotation marks.
        ReadCase{"BlanksAroundValue", "[3]\r\nName= \t Invoices \t \r\n", "3", "Name", "Invoices"},
        ReadCase{"BlanksInsideValueKept", "[3]\r\nName=a  b\r\n", "3", "Name", "a  b"},
        ReadCase{"BlanksAroundNames", "[ 3 ]\r\n\t Name \t= x\r\n", "3", "Name", "x"},
        ReadCase{"DoubleQuotes", "[3]\r\nName=\"Invoices\"\r\n", "3", "Name", "Invoices"},
        ReadCase{"SingleQuotes", "[3]\r\nName='Invoices'\r\n", "3", "Name", "Invoices"},
        ReadCase{"QuotesInsideBlanks", "[3]\r\nName=  \" a \"  \r\n", "3", "Name", " a "},
        ReadCase{"OnePairOnly", "[3]\r\nName=\"\"a\"\"\r\n", "3", "Name", "\"a\""},
        ReadCase{"MismatchedQuotesKept", "[3]\r\nName=\"a'\r\n", "3", "Name", "\"a'"},
        ReadCase{"LoneQuoteKept", "[3]\r\nName=\"\r\n", "3", "Name", "\""},
        ReadCase{"EmptyQuotes", "[3]\r\nName=\"\"\r\n", "3", "Name", ""},
        ReadCase{"OpeningQuoteOnly", "[3]\r\nName=\"a\r\n", "3", "Name", "\"a"},
        ReadCase{"EqualsInValue", "[3]\r\nPort=a=b=c\r\n", "3", "Port", "a=b=c"},
        // Duplicates: the first section and the first key count.
        ReadCase{"DuplicateSectionFirstWins", "[3]\r\nA=1\r\n[3]\r\nA=2\r\nB=3\r\n", "3", "A", "1"},
        ReadCase{"DuplicateSectionNotMerged", "[3]\r\nA=1\r\n[3]\r\nB=3\r\n", "3", "B", ""},
        ReadCase{"DuplicateKeyFirstWins", "[3]\r\nA=1\r\na=2\r\n", "3", "A", "1"},
        // Lines that are never keys.
        ReadCase{"TextBeforeFirstSection", "A=1\r\n[3]\r\nB=2\r\n", "3", "A", ""},
        ReadCase{"CommentNotAKey", "[3]\r\n;A=1\r\n", "3", ";A", ""},
        ReadCase{"IndentedCommentNotAKey", "[3]\r\n  ;A=1\r\n", "3", ";A", ""},
        ReadCase{"SemicolonInsideKeyName", "[3]\r\nA;B=1\r\n", "3", "A;B", "1"},
        ReadCase{"LineWithoutEquals", "[3]\r\nA\r\nA=2\r\n", "3", "A", "2"},
        ReadCase{"BracketWithoutCloseIsNoHeader", "[3]\r\n[4\r\nA=1\r\n", "3", "A", "1"},
        ReadCase{"HeaderWithTextAfter", "[3] ; note\r\nA=1\r\n", "3", "A", "1"},
        ReadCase{"HeaderNameUpToLastBracket", "[a]b]\r\nA=1\r\n", "a]b", "A", "1"},
        ReadCase{"IndentedHeader", "  [3]\r\nA=1\r\n", "3", "A", "1"},
        // Line ends.
        ReadCase{"LfLineEnds", "[3]\nA=1\nB=2\n", "3", "B", "2"},
        ReadCase{"MixedLineEnds", "[3]\r\nA=1\nB=2\r\n", "3", "A", "1"},
        ReadCase{"NoFinalLineEnd", "[3]\r\nA=1", "3", "A", "1"},
        ReadCase{"LoneCrIsData", "[3]\r\nA=x\ry\r\n", "3", "A", "x\ry"},
        ReadCase{"CrBeforeCrLfIsData", "[3]\r\nA=x\r\r\n", "3", "A", "x\r"},
        ReadCase{"CrAtEndOfFileIsData", "[3]\r\nA=x\r", "3", "A", "x\r"},
        // Bytes pass through unchanged.
        ReadCase{"NulBytes", "[3]\r\nA=x\0y\r\n"s, "3", "A", "x\0y"s},
        ReadCase{"NulInNames", "[3\0]\r\nA\0=1\r\n"s, "3\0"s, "A\0"s, "1"},
        ReadCase{"InvalidUtf8", "[3]\r\nA=\xFF\xFE\xC3\r\n", "3", "A", "\xFF\xFE\xC3"},
        ReadCase{"EightBit", "[3]\r\nName=R\xE9sum\xE9\r\n", "3", "Name", "R\xE9sum\xE9"},
        // The value buffer holds 2047 bytes.
        ReadCase{"Cut3000To2047", "[3]\r\nA=" + std::string(3000, 'v') + "\r\n", "3", "A",
                 std::string(2047, 'v')},
        ReadCase{"Exactly2047", "[3]\r\nA=" + std::string(2047, 'v') + "\r\n", "3", "A",
                 std::string(2047, 'v')},
        ReadCase{"Cut2048", "[3]\r\nA=" + std::string(2047, 'v') + "w\r\n", "3", "A",
                 std::string(2047, 'v')},
        ReadCase{"CutAfterQuotesAndBlanks", "[3]\r\nA= \"" + std::string(2046, 'v') + "xy\" \r\n",
                 "3", "A", std::string(2046, 'v') + "x"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- writing

enum class Op { Write, Erase };

struct Step {
    Op op;
    std::string section;
    std::string key;
    std::string value;
};

Step Write(std::string section, std::string key, std::string value) {
    return {Op::Write, std::move(section), std::move(key), std::move(value)};
}
Step Erase(std::string section) {
    return {Op::Erase, std::move(section), {}, {}};
}

struct WriteCase {
    const char* name;
    std::string file;
    std::vector<Step> steps;
    std::string expected;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class WriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteTest, GivesTheText) {
    const WriteCase& c = GetParam();
    ProfileDocument document;
    document.Load(c.file);
    for (const Step& step : c.steps) {
        if (step.op == Op::Write) {
            document.WriteString(step.section, step.key, step.value);
        } else {
            document.EraseSection(step.section);
        }
    }
    EXPECT_EQ(document.Text(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, WriteTest,
    ::testing::Values(
        WriteCase{
            "NothingWrittenNormalisesLineEnds", "A\n[3]\nB=1\n\n", {}, "A\r\n[3]\r\nB=1\r\n\r\n"},
        WriteCase{"NoFinalLineEndGetsOne", "[3]\r\nB=1", {}, "[3]\r\nB=1\r\n"},
        WriteCase{"NewFile", "", {Write("3", "Name", "Invoices")}, "[3]\r\nName=Invoices\r\n"},
        WriteCase{"EmptyValueKeepsKey",
                  "[3]\r\nName=x\r\n",
                  {Write("3", "Name", ""), Write("3", "Port", "")},
                  "[3]\r\nName=\r\nPort=\r\n"},
        WriteCase{"ReplaceInPlace",
                  "[3]\r\nName=a\r\nDevice=b\r\nPort=c\r\n",
                  {Write("3", "Device", "B")},
                  "[3]\r\nName=a\r\nDevice=B\r\nPort=c\r\n"},
        WriteCase{"ReplaceKeepsFileSpelling",
                  "[sect]\r\n  nAmE = old\r\n",
                  {Write("SECT", "Name", "new")},
                  "[sect]\r\n  nAmE =new\r\n"},
        WriteCase{
            "ValueWrittenVerbatim", "", {Write("3", "Name", "  'q' ")}, "[3]\r\nName=  'q' \r\n"},
        WriteCase{"NewKeyBeforeBlankLines",
                  "[1]\r\nA=1\r\n\r\n \t\r\n[2]\r\nB=2\r\n",
                  {Write("1", "C", "3")},
                  "[1]\r\nA=1\r\nC=3\r\n\r\n \t\r\n[2]\r\nB=2\r\n"},
        WriteCase{"NewKeyAfterTrailingComment",
                  "[1]\r\nA=1\r\n; end of one\r\n\r\n[2]\r\n",
                  {Write("1", "C", "3")},
                  "[1]\r\nA=1\r\n; end of one\r\nC=3\r\n\r\n[2]\r\n"},
        WriteCase{"NewKeyInEmptySection",
                  "[1]\r\n\r\n[2]\r\n",
                  {Write("1", "C", "3")},
                  "[1]\r\nC=3\r\n\r\n[2]\r\n"},
        WriteCase{"NewKeysKeepTheirOrder",
                  "[1]\r\n",
                  {Write("1", "A", "1"), Write("1", "B", "2"), Write("1", "A", "3")},
                  "[1]\r\nA=3\r\nB=2\r\n"},
        WriteCase{"NewSectionAtEndWithoutBlankLine",
                  "[1]\r\nA=1\r\n",
                  {Write("2", "B", "2")},
                  "[1]\r\nA=1\r\n[2]\r\nB=2\r\n"},
        WriteCase{"NewSectionAfterTrailingBlankLines",
                  "[1]\r\nA=1\r\n\r\n",
                  {Write("2", "B", "2")},
                  "[1]\r\nA=1\r\n\r\n[2]\r\nB=2\r\n"},
        WriteCase{
            "EraseRemovesEveryLine",
            "[1]\r\nA=1\r\n[2]\r\nName=x\r\nMine=hand\r\n; note\r\nno equals\r\n\r\n[3]\r\nC=3\r\n",
            {Erase("2")},
            "[1]\r\nA=1\r\n[3]\r\nC=3\r\n"},
        WriteCase{"EraseIgnoresCase", "[Gen]\r\nA=1\r\n", {Erase("gEN")}, ""},
        WriteCase{"EraseMissingChangesNothing", "[1]\r\nA=1\r\n", {Erase("2")}, "[1]\r\nA=1\r\n"},
        WriteCase{"ErasedAndWrittenAgainLandsAtEnd",
                  "[1]\r\nA=1\r\n[2]\r\nB=2\r\n[3]\r\nC=3\r\n",
                  {Erase("2"), Write("2", "B", "new")},
                  "[1]\r\nA=1\r\n[3]\r\nC=3\r\n[2]\r\nB=new\r\n"},
        WriteCase{"WrittenThenErased",
                  "[1]\r\nA=1\r\n",
                  {Write("2", "B", "2"), Erase("2")},
                  "[1]\r\nA=1\r\n"},
        WriteCase{"DuplicateKeyFirstChanged",
                  "[1]\r\nA=1\r\nA=2\r\n",
                  {Write("1", "a", "x")},
                  "[1]\r\nA=x\r\nA=2\r\n"},
        WriteCase{"DuplicateSectionFirstChanged",
                  "[1]\r\nA=1\r\n[2]\r\n[1]\r\nA=2\r\n",
                  {Write("1", "A", "x"), Write("1", "B", "y")},
                  "[1]\r\nA=x\r\nB=y\r\n[2]\r\n[1]\r\nA=2\r\n"},
        WriteCase{"DuplicateSectionErasedOneAtATime",
                  "[1]\r\nA=1\r\n[2]\r\n[1]\r\nA=2\r\n",
                  {Erase("1"), Write("1", "A", "x")},
                  "[2]\r\n[1]\r\nA=x\r\n"},
        WriteCase{"DuplicateSectionBothErased",
                  "[1]\r\nA=1\r\n[2]\r\n[1]\r\nA=2\r\n",
                  {Erase("1"), Erase("1"), Write("1", "A", "x")},
                  "[2]\r\n[1]\r\nA=x\r\n"},
        WriteCase{"TextBeforeFirstSectionUntouched",
                  "A=1\r\n; top\r\n[1]\r\nA=2\r\n",
                  {Write("1", "A", "x"), Erase("1"), Write("1", "A", "y")},
                  "A=1\r\n; top\r\n[1]\r\nA=y\r\n"},
        WriteCase{"CommentsAndPlainLinesSurvive",
                  "[1]\r\n;A=c\r\nplain text\r\nA=1\r\n",
                  {Write("1", "A", "x")},
                  "[1]\r\n;A=c\r\nplain text\r\nA=x\r\n"},
        WriteCase{"LineBreaksInValueBecomeBlanks",
                  "",
                  {Write("1", "A", "a\r\nb\nc\rd")},
                  "[1]\r\nA=a  b c d\r\n"},
        WriteCase{"LineBreaksInNamesBecomeBlanks",
                  "",
                  {Write("x\ny", "a\r\nb", "1")},
                  "[x y]\r\na  b=1\r\n"},
        WriteCase{"NamesTrimmed", "[1]\r\nA=1\r\n", {Write(" 1 ", " A\t", "2")}, "[1]\r\nA=2\r\n"},
        WriteCase{"BytesPassThrough",
                  "[\xE9]\r\nK=\xFF\0\xC3\r\n[2]\r\n"s,
                  {Write("2", "N", "\x80\0"s)},
                  "[\xE9]\r\nK=\xFF\0\xC3\r\n[2]\r\nN=\x80\0\r\n"s}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

struct NameCase {
    const char* name;
    std::string text;
    bool writableKey;
    bool writableSection;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.name;
}

class WritableNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(WritableNameTest, ReadsBack) {
    const NameCase& c = GetParam();
    const std::string clean = ProfileDocument::CleanName(c.text);
    EXPECT_EQ(ProfileDocument::IsWritableKeyName(clean), c.writableKey);
    EXPECT_EQ(ProfileDocument::IsWritableSectionName(clean), c.writableSection);
    if (c.writableKey && c.writableSection) {
        // Whatever is accepted must be found again after a round trip.
        ProfileDocument document;
        document.WriteString(c.text, c.text, "value");
        ProfileDocument reloaded;
        reloaded.Load(document.Text());
        EXPECT_EQ(reloaded.ReadString(c.text, c.text), "value");
    }
}

INSTANTIATE_TEST_SUITE_P(Names, WritableNameTest,
                         ::testing::Values(NameCase{"Plain", "Name", true, true},
                                           NameCase{"Empty", "", false, false},
                                           NameCase{"BlanksOnly", " \t ", false, false},
                                           NameCase{"LineBreakOnly", "\r\n", false, false},
                                           NameCase{"Equals", "a=b", false, true},
                                           NameCase{"Comment", ";a", false, true},
                                           NameCase{"HeaderLike", "[a]", false, true},
                                           NameCase{"OpenBracketOnly", "[a", false, true},
                                           NameCase{"CloseBracketInside", "a]b", true, true},
                                           NameCase{"EightBit", "\xE9t\xE9", true, true},
                                           NameCase{"LineBreakInside", "a\nb", true, true}),
                         [](const ::testing::TestParamInfo<NameCase>& info) {
                             return std::string(info.param.name);
                         });

// ---------------------------------------------------------------- robustness

// What an unchanged document writes: every line of the input, each ended by
// CR LF, whether it was ended by LF, CR LF or by the end of the input.
std::string WithCrLf(const std::string& bytes) {
    std::string result;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            result += line + "\r\n";
            line.clear();
        } else {
            line += bytes[i];
        }
    }
    if (!line.empty()) {
        result += line + "\r\n";
    }
    return result;
}

TEST(ProfileDocumentRobustness, RandomBytesRoundTripAndStayWritable) {
    std::mt19937 engine(20240611);
    // Few distinct bytes make headers, keys and line ends frequent.
    const std::string alphabet = "[]=;\r\n \t\"'aA1\0\xFF"s;
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> anyByte(0, 255);
    for (int round = 0; round < 40; ++round) {
        std::string bytes(4096, '\0');
        for (char& c : bytes) {
            c = round % 2 == 0 ? alphabet[pick(engine)] : static_cast<char>(anyByte(engine));
        }
        ProfileDocument document;
        document.Load(bytes);
        // Compared as a whole: a failure printing 4 KiB of noise helps nobody.
        ASSERT_TRUE(document.Text() == WithCrLf(bytes)) << "round " << round;

        // Every operation on such a file keeps working and reads back.
        document.ReadString("a", "A");
        document.EraseSection("a");
        document.EraseSection("1");
        document.WriteString("1", "A", "written");
        document.WriteString("a", "1", "other");
        EXPECT_EQ(document.ReadString("1", "a"), "written") << "round " << round;
        EXPECT_EQ(document.ReadString("A", "1"), "other") << "round " << round;
        ProfileDocument reloaded;
        reloaded.Load(document.Text());
        EXPECT_EQ(reloaded.ReadString("1", "A"), "written") << "round " << round;
        EXPECT_TRUE(reloaded.Text() == document.Text()) << "round " << round;
    }
}

} // namespace
} // namespace kevo::platform
