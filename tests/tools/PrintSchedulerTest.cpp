// SPDX-License-Identifier: Apache-2.0
// kevoconf-print against a private CUPS scheduler whose queues print into
// files: what reaches the "printer", byte for byte, for each kind of line,
// and the refusals.

#include "ChildProcess.h"
#include "MiniJson.h"
#include "PrivateScheduler.h"
#include "SchedulerJobs.h"
#include "ScratchFolder.h"
#include "SetupSection.h"

#include <cups/ipp.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace kevo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kPrint = KEVO_PRINT_PROGRAM;
const std::string kCheck = KEVO_CHECK_PROGRAM;
const fs::path kDocuments = KEVO_TEST_DOCUMENT_DIR;
const fs::path kPpd = KEVO_TEST_PPD_DIR;

// The file a queue prints into, in a folder removed when the tests end.
fs::path Output(const std::string& queue) {
    static const ScratchFolder folder;
    return folder.Path() / queue;
}

// What a queue has printed into its file so far: nothing before its first
// job.
std::string PrintedSoFar(const std::string& queue) {
    const fs::path file = Output(queue);
    return fs::exists(file) ? ReadBytes(file) : std::string();
}

// The raw queue's printer: the scheduler copies nothing into a file device
// for a queue without filters.
SocketPrinter& RawPrinter() {
    static SocketPrinter printer;
    return printer;
}

std::string DeviceOf(const std::string& queue) {
    return queue == "Raw" ? RawPrinter().Uri() : "file://" + Output(queue).string();
}

// "Trays" (three trays, no default tray) and "Office" (one tray and a manual
// feed switch) printing into files, and "Raw" (no PPD) into RawPrinter().
PrivateScheduler& Scheduler() {
    static const std::unique_ptr<PrivateScheduler> scheduler = [] {
        auto started = std::make_unique<PrivateScheduler>();
        started->Start();
        started->AddPrinter("Trays", kPpd / "kevo-trays.ppd", DeviceOf("Trays"));
        started->AddPrinter("Office", kPpd / "kevo-manual-feed.ppd", DeviceOf("Office"));
        started->AddRawPrinter("Raw", DeviceOf("Raw"));
        return started;
    }();
    return *scheduler;
}

std::string Line(int line, const std::string& name, const std::string& queue,
                 const std::string& driver, const std::string& source1, const std::string& tray1,
                 const std::string& source2, const std::string& tray2) {
    return SetupSection(line, name, queue, DeviceOf(queue), driver, source1, tray1, source2, tray2);
}

// The code that the tray test PPD sends for a tray: "<</MediaPosition 1>>...".
std::string TrayCode(const std::string& keyword) {
    const std::string ppd = ReadBytes(kPpd / "kevo-trays.ppd");
    const std::size_t start = ppd.find("\n*InputSlot " + keyword + "/");
    const std::size_t open = ppd.find('"', start);
    return ppd.substr(open + 1, ppd.find('"', open + 1) - open - 1);
}

class PrintSchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Scheduler();
        folder_.Write("KevoName.txt", "Invoices\r\nAutomatic\r\nManual\r\nRaw\r\nBroken\r\n"
                                      "Deleted\r\n");
        folder_.Write(
            "Vezerava.ini",
            Line(1, "Invoices", "Trays", "Kevo Tray Test", "Tray 1", "256", "Tray 2", "257") +
                Line(2, "Automatic", "Trays", "Kevo Tray Test", "Automatically Select", "15",
                     "Automatically Select", "15") +
                Line(3, "Manual", "Office", "Kevo Office 3000", "Manual Feed", "4", "Manual Feed",
                     "4") +
                Line(4, "Raw", "Raw", "Local Raw Printer", "Default", "7", "Default", "7") +
                Line(5, "Broken", "Trays", "Kevo Tray Test", "Tray 9", "264", "Tray 2", "257") +
                Line(6, "Deleted", "Gone", "Kevo Tray Test", "Tray 1", "256", "Tray 2", "257"));
    }

    ToolRun Print(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--names-file", folder_ / "KevoName.txt",
                                             "--setup-file", folder_ / "Vezerava.ini"});
        return RunTool(kPrint, arguments, {{"KEVOCONF_SIMULATED_PRINTERS", std::nullopt}});
    }

    // Prints and waits until the queue has printed; gives what it printed.
    std::string Printed(const std::string& name, const std::string& queue,
                        const fs::path& document) const {
        const std::size_t received = RawPrinter().Received(0, 0ms).size();
        const ToolRun run = Print({"--json", name, document.string()});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const JsonValue report = ParseJson(run.out);
        EXPECT_EQ(report["job"]["printer"].String(), queue);
        const int job = static_cast<int>(report["job"]["id"].Integer());
        EXPECT_EQ(WaitForJobEnd(queue, job, 60s), IPP_JSTATE_COMPLETED) << name;
        if (queue != "Raw")
            return ReadBytes(Output(queue));
        const std::vector<std::string> raw = RawPrinter().Received(received + 1, 30s);
        return raw.size() > received ? raw.back() : std::string();
    }

    ScratchFolder folder_;
};

// The tray code that stands last before a position in the output.
std::string LastTrayCodeBefore(const std::string& output, std::size_t position) {
    std::string last;
    std::size_t lastAt = 0;
    for (const char* tray : {"Tray1", "Tray2", "Tray3"}) {
        const std::size_t at = output.rfind(TrayCode(tray), position);
        if (at != std::string::npos && (last.empty() || at > lastAt)) {
            last = tray;
            lastAt = at;
        }
    }
    return last;
}

TEST_F(PrintSchedulerTest, FirstPageFromTray1AndTheOthersFromTray2) {
    for (const char* document : {"two-pages.ps", "two-pages.pdf"}) {
        const std::string output = Printed("invoices", "Trays", kDocuments / document);
        const std::size_t page1 = output.find("PAGE-ONE");
        const std::size_t page2 = output.find("PAGE-TWO");
        ASSERT_NE(page1, std::string::npos) << document;
        ASSERT_NE(page2, std::string::npos) << document;
        EXPECT_LT(page1, page2) << document;
        EXPECT_EQ(LastTrayCodeBefore(output, page1), "Tray1") << document;
        EXPECT_EQ(LastTrayCodeBefore(output, page2), "Tray2") << document;
    }
}

TEST_F(PrintSchedulerTest, OneSourceForEveryPage) {
    const std::string automatic = Printed("Automatic", "Trays", kDocuments / "two-pages.ps");
    EXPECT_NE(automatic.find("PAGE-TWO"), std::string::npos);
    EXPECT_EQ(automatic.find("MediaPosition"), std::string::npos);

    const std::string manual = Printed("Manual", "Office", kDocuments / "two-pages.ps");
    EXPECT_LT(manual.find("<</ManualFeed true>>setpagedevice"), manual.find("PAGE-ONE"));
    EXPECT_EQ(manual.find("<</ManualFeed false>>"), std::string::npos);

    for (const char* document : {"two-pages.ps", "two-pages.pdf"})
        EXPECT_EQ(Printed("Raw", "Raw", kDocuments / document), ReadBytes(kDocuments / document));
}

TEST_F(PrintSchedulerTest, RefusedLinesPrintNothing) {
    // The line "Deleted" names the queue "Gone", which the scheduler no
    // longer has.
    const std::size_t jobsBefore = JobsOf("Trays").size();
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const std::string document = kDocuments / "two-pages.ps";
    // 20 KB of noise, which the scheduler would take and "complete"
    // without printing anything; and PCL, which the PostScript queue does
    // not take.
    std::string noise(20480, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::string random = folder_.Write("random.bin", noise);
    const std::string pcl = folder_.Write("letter.pcl", "\x1b"
                                                        "E\x1b&l0O letter\f\x1b"
                                                        "E");
    const Case cases[] = {
        {{"Nobody", document}, 1, " is named \"Nobody\"; nothing was printed\n"},
        {{"Broken", document}, 1, "line 5 \"Broken\" is in error (Tray1Name, Tray1Num)"},
        {{"Deleted", document}, 1, "line 6 \"Deleted\" is in error (Printer Undefined)"},
        {{"--force", "Deleted", document}, 2, "the paper sources of \"Gone\" cannot be read"},
        {{"Invoices", folder_ / "missing.ps"}, 2, "missing.ps\" cannot be read: No such file"},
        {{"Invoices", document, random},
         2,
         "random.bin\" is no document that can be printed: it begins with the bytes 00 "},
        {{"Invoices", pcl},
         2,
         "letter.pcl\" is PCL, a printer language (application/vnd.hp-PCL), which \"Trays\" "
         "does not take; nothing was printed"},
    };
    for (const Case& c : cases) {
        const ToolRun run = Print(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments[0];
        EXPECT_EQ(run.out, "") << c.arguments[0];
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(JobsOf("Trays").size(), jobsBefore);
}

std::size_t Completed(const std::vector<JobState>& jobs) {
    return static_cast<std::size_t>(std::count_if(jobs.begin(), jobs.end(), [](const JobState& j) {
        return j.state == IPP_JSTATE_COMPLETED;
    }));
}

TEST_F(PrintSchedulerTest, FrozenSchedulerEndsTheCommandAndPrintsNothing) {
    const std::vector<JobState> jobsBefore = JobsOf("Trays");
    const std::string before = PrintedSoFar("Trays");
    // The document comes through a pipe: once the command opens it, its
    // check is done, and the scheduler freezes before the job is made.
    const fs::path pipe = folder_ / "document.pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    auto run = std::async(std::launch::async, [&] { return Print({"Invoices", pipe.string()}); });
    int writer = -1;
    for (const auto deadline = std::chrono::steady_clock::now() + 30s;
         writer < 0 && std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(10ms)) {
        writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    }
    ASSERT_GE(writer, 0) << "the command never opened its document";
    Scheduler().Freeze();
    const auto frozen = std::chrono::steady_clock::now();
    const std::string document = ReadBytes(kDocuments / "two-pages.ps");
    EXPECT_EQ(write(writer, document.data(), document.size()),
              static_cast<ssize_t>(document.size()));
    close(writer);
    const ToolRun result = run.get();
    const auto took = std::chrono::steady_clock::now() - frozen;
    Scheduler().Thaw();

    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_LT(took, 10s);
    EXPECT_NE(result.err.find("did not answer within"), std::string::npos) << result.err;
    // At most the job whose creation met the freeze, held without documents.
    const std::vector<JobState> jobsAfter = JobsOf("Trays");
    EXPECT_LE(jobsAfter.size(), jobsBefore.size() + 1);
    EXPECT_EQ(Completed(jobsAfter), Completed(jobsBefore));
    EXPECT_EQ(PrintedSoFar("Trays"), before);
}

// A PPD's InputSlot choices in order (bins 256, 257, ...): text and code.
std::vector<std::pair<std::string, std::string>> Slots(const fs::path& ppd) {
    std::vector<std::pair<std::string, std::string>> slots;
    const std::string text = ReadBytes(ppd);
    for (std::size_t at = text.find("\n*InputSlot "); at != std::string::npos;
         at = text.find("\n*InputSlot ", at + 1)) {
        const std::size_t slash = text.find('/', at), colon = text.find(':', slash);
        const std::size_t open = text.find('"', colon);
        slots.emplace_back(text.substr(slash + 1, colon - slash - 1),
                           text.substr(open + 1, text.find('"', open + 1) - open - 1));
    }
    return slots;
}

// The last tray code in front of a page's mark; "" when there is none.
std::string TrayCodeBefore(const std::string& output, const std::string& page) {
    const std::size_t mark = output.find(page);
    if (mark == std::string::npos)
        return "no " + page;
    const std::size_t code = output.rfind("<</MediaPosition", mark);
    return code == std::string::npos
               ? ""
               : output.substr(code, output.find(">>setpagedevice", code) + 15 - code);
}

std::vector<std::string> FileLines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', at), bytes.size() - 1) + 1;
        lines.push_back(bytes.substr(at, end - at));
        at = end;
    }
    return lines;
}

// Queues set up with a vendor driver, then given a driverless-like one whose
// trays come in another order and other words: the repair finds each line's
// trays again, writes nothing but the repaired lines' five keys, and every
// repaired line's pages come from the same physical trays (codes) as before.
TEST_F(PrintSchedulerTest, RepairedLinesPrintFromTheSameTraysAfterADriverChange) {
    struct SetupLine {
        int line;
        std::string queue, tray1, tray2;
    };
    const std::vector<SetupLine> lines = {
        {1, "Swap1", "Tray 1", "Tray 2"},
        {2, "Swap2", "Tray 2", "Tray 1"},
        {3, "Swap3", "Manual Feed", "Manual Feed"},
        {4, "Swap4", "Lower", "Tray 1"},
        {5, "Swap5", "Envelope Feeder", "Tray 2"},
        {6, "Swap6", "Automatically Select", "Automatically Select"},
        {7, "Swap7", "Tray 2", "Lower"},
        {8, "Swap8", "Tray 1", "Tray 1"},
        {9, "Swap9", "Manual Feed", "Envelope Feeder"},
        {10, "Swap10", "Lower", "Manual Feed"},
        // Left in error: "Tray 3" is now both "tray-3" and "Cassette 3"; a deleted queue.
        {50, "Swap3", "Tray 3", "Tray 1"},
        {99, "Gone", "Tray 1", "Tray 2"}};
    const std::set<int> left = {50, 99};
    std::set<int> all, repairable;
    const auto slots = Slots(kPpd / "kevo-vendor-trays.ppd");
    const auto slot = [&](const std::string& tray) {
        return std::find_if(slots.begin(), slots.end(),
                            [&](const auto& s) { return s.first == tray; });
    };
    const auto number = [&](const std::string& tray) {
        return std::to_string(slot(tray) == slots.end() ? 15 : 256 + (slot(tray) - slots.begin()));
    };
    const auto code = [&](const std::string& tray) {
        return slot(tray) == slots.end() ? "" : slot(tray)->second;
    };
    const auto name = [](int line) { return "Form " + std::to_string(line); };
    std::vector<std::string> names(99);
    std::string setup = "; kept as it is\r\n";
    std::set<std::string> queues;
    for (const SetupLine& l : lines) {
        if (queues.insert(l.queue).second)
            Scheduler().AddPrinter(l.queue, kPpd / "kevo-vendor-trays.ppd", DeviceOf(l.queue));
        names[static_cast<std::size_t>(l.line - 1)] = name(l.line);
        all.insert(l.line);
        if (left.count(l.line) == 0)
            repairable.insert(l.line);
        setup += SetupSection(l.line, name(l.line), l.queue, DeviceOf(l.queue), "Kevo Vendor 5000",
                              l.tray1, number(l.tray1), l.tray2, number(l.tray2)) +
                 (l.line == 1 ? "Note=kept\r\n" : "");
    }
    std::string namesFile;
    for (const std::string& n : names)
        namesFile += n + "\r\n";
    folder_.Write("KevoName.txt", namesFile);
    const std::string setupFile = folder_.Write("Vezerava.ini", setup);

    const auto check = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {folder_ / "KevoName.txt", setupFile});
        return RunTool(kCheck, arguments, {{"KEVOCONF_SIMULATED_PRINTERS", std::nullopt}});
    };
    const auto inError = [&](int exitCode) {
        const ToolRun run = check({"--json"});
        EXPECT_EQ(run.exitCode, exitCode) << run.err;
        std::set<int> numbers;
        const JsonValue document = ParseJson(run.out);
        for (const JsonValue& line : document["lines"].array)
            numbers.insert(static_cast<int>(line["line"].Integer()));
        return numbers;
    };
    // Each line that is to be repaired printed on its queue: the codes before its two pages.
    const auto print = [&] {
        std::map<int, std::pair<std::string, std::string>> codes;
        std::vector<std::pair<const SetupLine*, int>> jobs;
        for (const SetupLine& l : lines) {
            if (repairable.count(l.line) == 0)
                continue;
            fs::remove(Output(l.queue));
            const ToolRun run =
                Print({"--json", name(l.line), (kDocuments / "two-pages.ps").string()});
            EXPECT_EQ(run.exitCode, 0) << name(l.line) << ": " << run.err;
            if (run.exitCode == 0)
                jobs.emplace_back(&l, ParseJson(run.out)["job"]["id"].Integer());
        }
        for (const auto& [l, job] : jobs) {
            EXPECT_EQ(WaitForJobEnd(l->queue, job, 60s), IPP_JSTATE_COMPLETED) << l->queue;
            const std::string output = PrintedSoFar(l->queue);
            codes[l->line] = {TrayCodeBefore(output, "PAGE-ONE"),
                              TrayCodeBefore(output, "PAGE-TWO")};
        }
        return codes;
    };

    EXPECT_EQ(inError(0), std::set<int>{});
    const auto before = print();
    for (const SetupLine& l : lines) {
        if (repairable.count(l.line)) {
            EXPECT_EQ(before.at(l.line), std::pair(code(l.tray1), code(l.tray2))) << l.line;
        }
    }

    queues.erase("Gone");
    Scheduler().RemovePrinter("Gone");
    for (const std::string& queue : queues)
        Scheduler().Run(
            {"lpadmin", "-p", queue, "-P", (kPpd / "kevo-driverless-trays.ppd").string()});
    EXPECT_EQ(inError(1), all);
    EXPECT_EQ(check({"--repair", "--dry-run"}).exitCode, 1);
    EXPECT_EQ(ReadBytes(setupFile), setup);

    const ToolRun repair = check(
        {"--repair", "--map", folder_.Write("bins.map", "Envelope Feeder = Envelope\n"), "--json"});
    EXPECT_EQ(repair.exitCode, 1) << repair.err;
    const JsonValue report = ParseJson(repair.out);
    std::set<int> repaired;
    for (const JsonValue& line : report["repaired"].array)
        repaired.insert(static_cast<int>(line["line"].Integer()));
    std::map<int, std::string> reasons;
    for (const JsonValue& line : report["left"].array)
        reasons[static_cast<int>(line["line"].Integer())] = line["reason"].String();
    EXPECT_EQ(repaired, repairable);
    EXPECT_EQ(reasons.size(), 2u);
    EXPECT_NE(reasons[50].find("two candidates"), std::string::npos) << reasons[50];
    EXPECT_NE(reasons[99].find("printer missing"), std::string::npos) << reasons[99];
    EXPECT_EQ(inError(1), left);

    // Only the five keys of repaired lines differ, line for line.
    const std::vector<std::string> was = FileLines(setup), now = FileLines(ReadBytes(setupFile));
    ASSERT_EQ(now.size(), was.size());
    int section = 0;
    for (std::size_t i = 0; i < was.size(); ++i) {
        if (was[i].starts_with('['))
            section = std::stoi(was[i].substr(1));
        const std::string key = was[i].substr(0, was[i].find('=') + 1);
        const bool repairedKey = repairable.count(section) && now[i].starts_with(key) &&
                                 (key == "Driver=" || key.starts_with("PaperSource"));
        EXPECT_TRUE(now[i] == was[i] || repairedKey) << was[i] << " became " << now[i];
    }
    EXPECT_EQ(print(), before);
}

// A queue deleted and re-created under another name on the same device:
// the repair finds it by its device URI, the line names the new queue, and
// each page is sent with the same tray options as before.
TEST_F(PrintSchedulerTest, RepairFindsAQueueRecreatedUnderANewName) {
    const std::string device = DeviceOf("Accounts_Laser");
    Scheduler().AddPrinter("Accounts_Laser", kPpd / "kevo-trays.ppd", device);
    folder_.Write("KevoName.txt", "Moved\r\n");
    const std::string setup = folder_.Write(
        "Vezerava.ini",
        Line(1, "Moved", "Accounts_Laser", "Kevo Tray Test", "Tray 1", "256", "Tray 2", "257"));
    // What a dry run would send for each page: the "pages" member.
    const auto pages = [&](const std::string& queue) {
        const ToolRun run = Print({"--dry-run", "--json", "Moved", kDocuments / "two-pages.ps"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ParseJson(run.out)["line"]["printer"].String(), queue);
        const std::size_t begin = run.out.find("\"pages\":");
        return run.out.substr(begin, run.out.find("\"jobOptions\"") - begin);
    };
    const std::string before = pages("Accounts_Laser");
    EXPECT_NE(before.find("Tray2"), std::string::npos) << before;

    Scheduler().RemovePrinter("Accounts_Laser");
    Scheduler().AddPrinter("accounts-laser", kPpd / "kevo-trays.ppd", device);
    const ToolRun repair =
        RunTool(kCheck, {"--repair", "--json", folder_ / "KevoName.txt", setup},
                {{"KEVOCONF_SIMULATED_PRINTERS", std::nullopt}});
    EXPECT_EQ(repair.exitCode, 0) << repair.err << repair.out;
    const JsonValue report = ParseJson(repair.out);
    ASSERT_EQ(report["repaired"].array.size(), 1u) << repair.out;
    EXPECT_EQ(report["repaired"][0]["foundBy"].String(), "by port");
    EXPECT_NE(ReadBytes(setup).find("Device=accounts-laser\r\n"), std::string::npos);
    EXPECT_EQ(pages("accounts-laser"), before);
    Scheduler().RemovePrinter("accounts-laser");
}

} // namespace
} // namespace kevo::test
