// SPDX-License-Identifier: Apache-2.0
// Our profile (INI) file library beside the Windows private-profile
// functions: the same sequences of reads, writes and erases applied to two
// copies of one file. Where the rules of the setup file fix the outcome, the
// two give the same values and the same bytes; where they leave it open, the
// table says how each behaves, so that a change on either side shows.

#include "WindowsTestSupport.h"

#include "platform/profile/ProfileFile.h"
#include "platform/text/WideText.h"

#include <gtest/gtest.h>

#include <optional>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::testing {
namespace {

struct Op {
    enum class Kind { Read, Write, Erase };
    Kind kind;
    std::string section;
    std::string key;
    std::string value;
};

Op Read(std::string section, std::string key) {
    return {Op::Kind::Read, std::move(section), std::move(key), {}};
}
Op Write(std::string section, std::string key, std::string value) {
    return {Op::Kind::Write, std::move(section), std::move(key), std::move(value)};
}
Op Erase(std::string section) {
    return {Op::Kind::Erase, std::move(section), {}, {}};
}

// How the two agree in a case.
enum class Agreement {
    Same,            // same values, same bytes
    SameValues,      // same values, other bytes
    DifferentValues, // values (and bytes) differ
};

struct ProfileCase {
    const char* name;
    std::optional<std::string> initial; // nothing: no file at first
    std::vector<Op> ops;
    std::vector<std::string> reads; // what our reads give, in order
    std::string bytes;              // our file afterwards
    Agreement agreement = Agreement::Same;
    // Where they differ: what the Windows functions give.
    std::vector<std::string> windowsReads = {};
    std::string windowsBytes = {};
};

void PrintTo(const ProfileCase& c, std::ostream* out) {
    *out << c.name;
}

struct Outcome {
    std::vector<std::string> reads;
    std::string bytes;
};

Outcome RunOurs(const std::string& path, const std::vector<Op>& ops) {
    Outcome outcome;
    platform::ProfileFile file(path);
    for (const Op& op : ops) {
        switch (op.kind) {
        case Op::Kind::Read:
            outcome.reads.push_back(file.ReadString(op.section, op.key));
            break;
        case Op::Kind::Write:
            file.WriteString(op.section, op.key, op.value);
            break;
        case Op::Kind::Erase:
            file.EraseSection(op.section);
            break;
        }
    }
    file.Flush();
    outcome.bytes = Exists(path) ? ReadBytes(path) : "<no file>";
    return outcome;
}

// The wide-character profile functions with UTF-8 texts; a null text stays
// null.
struct WindowsProfile {
    std::wstring path;

    static std::optional<std::wstring> Wide(const char* text) {
        return text != nullptr ? std::optional(platform::WideFromUtf8(text)) : std::nullopt;
    }
    static const wchar_t* Pointer(const std::optional<std::wstring>& text) {
        return text ? text->c_str() : nullptr;
    }

    std::string Read(const std::string& section, const std::string& key) const {
        // The value buffer of the setup file: 2048 characters with the
        // terminator.
        wchar_t buffer[2048] = {};
        const DWORD length = GetPrivateProfileStringW(
            platform::WideFromUtf8(section).c_str(), platform::WideFromUtf8(key).c_str(), L"",
            buffer, sizeof buffer / sizeof buffer[0], path.c_str());
        return platform::Utf8FromWide(std::wstring_view(buffer, length));
    }
    BOOL Write(const char* section, const char* key, const char* value) const {
        return WritePrivateProfileStringW(Pointer(Wide(section)), Pointer(Wide(key)),
                                          Pointer(Wide(value)), path.c_str());
    }
    // Flushes the system's cached copy of the file to the disk.
    BOOL Flush() const { return Write(nullptr, nullptr, nullptr); }
};

WindowsProfile WindowsProfileOf(const std::string& path) {
    return {platform::WideFromUtf8(path)};
}

Outcome RunWindows(const std::string& path, const std::vector<Op>& ops) {
    Outcome outcome;
    const WindowsProfile profile = WindowsProfileOf(path);
    for (const Op& op : ops) {
        switch (op.kind) {
        case Op::Kind::Read:
            outcome.reads.push_back(profile.Read(op.section, op.key));
            break;
        case Op::Kind::Write:
            profile.Write(op.section.c_str(), op.key.c_str(), op.value.c_str());
            break;
        case Op::Kind::Erase:
            profile.Write(op.section.c_str(), nullptr, nullptr);
            break;
        }
    }
    profile.Flush();
    outcome.bytes = Exists(path) ? ReadBytes(path) : "<no file>";
    return outcome;
}

const std::string kLong(3000, 'x');

const std::vector<ProfileCase> kCases = {
    // --- What the rules fix: the two agree byte for byte. ---
    {"NewFileOneEntryPerLineWithCrLf",
     std::nullopt,
     {Write("1", "Name", "Invoices"), Write("1", "Device", "Office Laser"), Write("1", "Port", ""),
      Write("2", "Name", "Orders")},
     {},
     "[1]\r\nName=Invoices\r\nDevice=Office Laser\r\nPort=\r\n[2]\r\nName=Orders\r\n"},
    {"NewSectionAtTheEndWithoutBlankLine",
     "[1]\r\nName=a\r\n",
     {Write("2", "Name", "b")},
     {},
     "[1]\r\nName=a\r\n[2]\r\nName=b\r\n"},
    {"NewKeyAfterTheLastLineOfItsSection",
     "[1]\r\nName=a\r\n[2]\r\nName=b\r\n",
     {Write("1", "Port", "LPT1:")},
     {},
     "[1]\r\nName=a\r\nPort=LPT1:\r\n[2]\r\nName=b\r\n"},
    {"ReplacedKeyKeepsItsPlaceAndSpelling",
     "[GENERAL]\r\nNAME=old\r\nPort=p\r\n",
     {Write("general", "name", "new"), Read("General", "Name")},
     {"new"},
     "[GENERAL]\r\nNAME=new\r\nPort=p\r\n"},
    {"EmptyValueIsWrittenAsKeyAndEquals",
     "[1]\r\nDevice=Laser\r\n",
     {Write("1", "Device", ""), Write("1", "Port", ""), Read("1", "Device")},
     {""},
     "[1]\r\nDevice=\r\nPort=\r\n"},
    {"EraseRemovesTheWholeSectionOnly",
     "[1]\r\nName=a\r\nHandAdded=b\r\n[General]\r\nx=1\r\n[2]\r\nName=c\r\n",
     {Erase("1"), Read("1", "HandAdded"), Read("General", "x")},
     {"", "1"},
     "[General]\r\nx=1\r\n[2]\r\nName=c\r\n"},
    {"ErasingAMissingSectionChangesNothing",
     "[1]\r\nName=a\r\n\r\n; kept as it is\r\n",
     {Erase("7")},
     {},
     "[1]\r\nName=a\r\n\r\n; kept as it is\r\n"},
    {"ErasedSectionWrittenAgainGoesToTheEnd",
     "[1]\r\nName=a\r\n[2]\r\nName=b\r\n",
     {Erase("1"), Write("1", "Name", "again")},
     {},
     "[2]\r\nName=b\r\n[1]\r\nName=again\r\n"},
    {"FirstOfDuplicateSectionsAndKeysCounts",
     "[a]\r\nk=first\r\nK=second\r\n[A]\r\nk=other\r\n",
     {Read("a", "k"), Write("A", "K", "changed")},
     {"first"},
     "[a]\r\nk=changed\r\nK=second\r\n[A]\r\nk=other\r\n"},
    {"LineFeedFileIsWrittenBackWithCrLf",
     "[1]\nName=a\n",
     {Write("1", "Port", "p")},
     {},
     "[1]\r\nName=a\r\nPort=p\r\n"},
    {"LastLineWithoutLineEnd",
     "[1]\r\nName=a",
     {Write("1", "Port", "p")},
     {},
     "[1]\r\nName=a\r\nPort=p\r\n"},
    {"CommentsLinesWithoutEqualsAndTextBeforeTheFirstSectionKept",
     "top text\r\n[1]\r\n; comment\r\nno equals sign\r\nName=a\r\n",
     {Write("1", "Name", "b"), Read("1", "; comment")},
     {""},
     "top text\r\n[1]\r\n; comment\r\nno equals sign\r\nName=b\r\n"},
    {"ReadsTrimBlanksAndOnePairOfQuotes",
     "[1]\r\nA=  v  \r\nB=\"q\"\r\nC='s'\r\nD=\"unbalanced\r\nE=\"a\" b\"\r\nF=\"\"\r\n",
     {Read("1", "A"), Read("1", "B"), Read("1", "C"), Read("1", "D"), Read("1", "E"),
      Read("1", "F")},
     {"v", "q", "s", "\"unbalanced", "a\" b", ""},
     "[1]\r\nA=  v  \r\nB=\"q\"\r\nC='s'\r\nD=\"unbalanced\r\nE=\"a\" b\"\r\nF=\"\"\r\n"},
    {"LongValueReadsAsItsFirst2047Characters",
     "[1]\r\nBig=" + kLong + "\r\n",
     {Read("1", "Big")},
     {std::string(2047, 'x')},
     "[1]\r\nBig=" + kLong + "\r\n"},
    {"MissingFileSectionOrKeyReadsEmpty",
     std::nullopt,
     {Read("1", "Name"), Read("", "Name")},
     {"", ""},
     "<no file>"},
    {"NamesMatchIgnoringAsciiCase",
     "[Printer]\r\nPaperSource1=15\r\n",
     {Read("PRINTER", "papersource1")},
     {"15"},
     "[Printer]\r\nPaperSource1=15\r\n"},
    // Text beyond ASCII goes into the file in the ANSI code page (1252
    // here) and reads back as the same text.
    {"LettersOfTheCodePage",
     std::nullopt,
     {Write("1", "Name", "Büro été"), Read("1", "Name")},
     {"Büro été"},
     "[1]\r\nName=B\xfcro \xe9t\xe9\r\n"},

    // --- What the rules leave open, or where ours differ on purpose. ---
    // The Windows functions rewrite the whole file from what they parsed:
    // blank lines go, and blanks around "=" and names are dropped.
    {"BlankLinesKeptByUsDroppedByWindows",
     "[1]\r\nName=a\r\n\r\n[2]\r\nName=b\r\n",
     {Write("1", "Port", "p")},
     {},
     "[1]\r\nName=a\r\nPort=p\r\n\r\n[2]\r\nName=b\r\n",
     Agreement::SameValues,
     {},
     "[1]\r\nName=a\r\nPort=p\r\n[2]\r\nName=b\r\n"},
    {"BlanksAroundEqualsKeptByUsRewrittenByWindows",
     "  [ 1 ]  \r\n  Name = a  \r\nOther = x\r\n",
     {Read("1", "Name"), Write("1", "Name", "b"), Read("1", "Other")},
     {"a", "x"},
     "  [ 1 ]  \r\n  Name =b\r\nOther = x\r\n",
     Agreement::SameValues,
     {"a", "x"},
     "[1]\r\nName=b\r\nOther=x\r\n"},
    // A line break in a value: we write blanks, so the value stays one line;
    // the Windows functions write it as it is, and the rest becomes a line
    // of its own.
    {"LineBreakInAValue",
     "[1]\r\nName=a\r\n",
     {Write("1", "V", "line1\r\nline2"), Read("1", "V")},
     {"line1  line2"},
     "[1]\r\nName=a\r\nV=line1  line2\r\n",
     Agreement::DifferentValues,
     {"line1"},
     "[1]\r\nName=a\r\nV=line1\r\nline2\r\n"},
    // Blanks at the ends of written names and values: we trim names and
    // keep values as given; the Windows functions drop leading blanks only.
    {"BlanksAtTheEndsOfWrittenNamesAndValues",
     "[1]\r\nName=a\r\n",
     {Write("1", " Sp ", "  padded  "), Read("1", "Sp")},
     {"padded"},
     "[1]\r\nName=a\r\nSp=  padded  \r\n",
     Agreement::SameValues,
     {"padded"},
     "[1]\r\nName=a\r\nSp =padded  \r\n"},
    // Letters beyond ASCII ("Ä" and "ä", the first in Windows-1252 in the
    // file) are different names for us and for Wine.
    {"LetterCaseBeyondAscii", "[\xc4]\r\nk=1\r\n", {Read("ä", "k")}, {""}, "[\xc4]\r\nk=1\r\n"},
};

class ProfileVersusWindows : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ProfileVersusWindows, SameSequenceOnBoth) {
    const ProfileCase& c = GetParam();
    TemporaryFolder folder;
    const std::string ours = folder.File("ours.ini");
    const std::string windows = folder.File("windows.ini");
    if (c.initial) {
        WriteBytes(ours, *c.initial);
        WriteBytes(windows, *c.initial);
    }

    const Outcome our = RunOurs(ours, c.ops);
    const Outcome their = RunWindows(windows, c.ops);

    EXPECT_EQ(PrintableAll(our.reads), PrintableAll(c.reads)) << "our reads";
    EXPECT_EQ(Printable(our.bytes), Printable(c.bytes)) << "our file";
    switch (c.agreement) {
    case Agreement::Same:
        EXPECT_EQ(PrintableAll(their.reads), PrintableAll(our.reads)) << "the Windows reads";
        EXPECT_EQ(Printable(their.bytes), Printable(our.bytes)) << "the Windows file";
        break;
    case Agreement::SameValues:
        EXPECT_EQ(PrintableAll(their.reads), PrintableAll(our.reads)) << "the Windows reads";
        EXPECT_EQ(Printable(their.bytes), Printable(c.windowsBytes)) << "the Windows file";
        break;
    case Agreement::DifferentValues:
        EXPECT_EQ(PrintableAll(their.reads), PrintableAll(c.windowsReads)) << "the Windows reads";
        EXPECT_EQ(Printable(their.bytes), Printable(c.windowsBytes)) << "the Windows file";
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ProfileVersusWindows, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ProfileCase>& info) {
                             return std::string(info.param.name);
                         });

// Names that could not be read back as written: we refuse to write them
// (the save fails with "Unable to write to"); the Windows functions write
// them as they are.
TEST(ProfileVersusWindowsRefusals, KeyNamesThatCannotBeReadBack) {
    struct Case {
        std::string key;
        std::string windowsBytes;
    };
    const Case cases[] = {
        {"a=b", "[1]\r\nName=a\r\na=b=v\r\n"},
        {"; note", "[1]\r\nName=a\r\n; note=v\r\n"},
        {"[x]", "[1]\r\nName=a\r\n[x]=v\r\n"},
        {"", "[1]\r\nName=a\r\n=v\r\n"},
    };
    for (const Case& c : cases) {
        TemporaryFolder folder;
        const std::string ours = folder.File("ours.ini");
        const std::string windows = folder.File("windows.ini");
        WriteBytes(ours, "[1]\r\nName=a\r\n");
        WriteBytes(windows, "[1]\r\nName=a\r\n");

        platform::ProfileFile file(ours);
        EXPECT_THROW(file.WriteString("1", c.key, "v"), platform::ProfileWriteError) << c.key;
        EXPECT_EQ(ReadBytes(ours), "[1]\r\nName=a\r\n") << c.key;

        const WindowsProfile profile = WindowsProfileOf(windows);
        profile.Write("1", c.key.c_str(), "v");
        profile.Flush();
        EXPECT_EQ(Printable(ReadBytes(windows)), Printable(c.windowsBytes)) << c.key;
    }
}

// A read-only file: we report it at the first write and leave the file as it
// was. (Windows refuses too; Wine run as root writes it all the same, so the
// Windows side is only reported here.)
TEST(ProfileVersusWindowsRefusals, ReadOnlyFile) {
    TemporaryFolder folder;
    const std::string ours = folder.File("ours.ini");
    const std::string windows = folder.File("windows.ini");
    for (const std::string& path : {ours, windows}) {
        WriteBytes(path, "[1]\r\nName=a\r\n");
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }

    platform::ProfileFile file(ours);
    try {
        file.WriteString("1", "Name", "b");
        ADD_FAILURE() << "a read-only file was written";
    } catch (const platform::ProfileWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + ours);
    }
    EXPECT_EQ(ReadBytes(ours), "[1]\r\nName=a\r\n");

    const WindowsProfile profile = WindowsProfileOf(windows);
    const BOOL written = profile.Write("1", "Name", "b");
    const BOOL flushed = profile.Flush();
    RecordProperty("windows-answers", std::to_string(written) + "," + std::to_string(flushed));
    RecordProperty("windows-file", Printable(ReadBytes(windows)));
}

} // namespace
} // namespace kevo::testing
