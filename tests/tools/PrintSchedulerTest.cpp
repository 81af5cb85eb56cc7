// SPDX-License-Identifier: Apache-2.0
// kevoconf-print against a private CUPS scheduler whose queues print into
// files: what reaches the "printer", byte for byte, for each kind of line,
// and the refusals.

#include "MiniJson.h"
#include "PrivateScheduler.h"
#include "SchedulerJobs.h"
#include "ScratchFolder.h"
#include "SetupSection.h"
#include "ToolRunner.h"

#include <cups/ipp.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

namespace kevo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kPrint = KEVO_PRINT_PROGRAM;
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
    const Case cases[] = {
        {{"Nobody", document}, 1, " is named \"Nobody\"; nothing was printed\n"},
        {{"Broken", document}, 1, "line 5 \"Broken\" is in error (Tray1Name, Tray1Num)"},
        {{"Deleted", document}, 1, "line 6 \"Deleted\" is in error (Printer Undefined)"},
        {{"--force", "Deleted", document}, 2, "the paper sources of \"Gone\" cannot be read"},
        {{"Invoices", folder_ / "missing.ps"}, 2, "missing.ps\" cannot be read: No such file"},
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

} // namespace
} // namespace kevo::test
