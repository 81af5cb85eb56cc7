// SPDX-License-Identifier: Apache-2.0
// The mode-2 run against a print server that is far away: 99 configuration
// lines over 20 printers of a private CUPS scheduler, reached through the
// latency proxy (LatencyProxy.h) at 0, 5, 15 and 50 ms one-way delay, beside
// admin-check.sh through the same proxy. Both are clients of the scheduler
// that CUPS_SERVER names, so both pay the same round trips.
//
//   latency_bench [--runs=N] [--admin-runs=N] [--delays=0,5,15,50] [--trace]
//                 [--program=PATH]
//
// --admin-runs=0 leaves the admin script out (its ratio then reads 0).
// --trace prints, per delay, every request of the last run of the program
// (LatencyProxy's trace) on standard error. --program runs another build of
// kevoconf (a before-and-after on the same scheduler).
//
// Prints, per delay, the median and spread (minimum to maximum) of the
// program's run and of the admin script in milliseconds, the connections
// one program run opened and the most it had open at once, and the requests
// of one run (handshakes included) and the most of them on one connection
// (MostOnOneConnection), which it waited for one after another. Run by
// bench/suite/run-latency.sh.

#include "BenchPrinters.h"
#include "ChildProcess.h"
#include "LatencyProxy.h"
#include "Median.h"
#include "PrivateScheduler.h"
#include "ScratchFolder.h"
#include "TestPrinters.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace kevo;
using test::Clock;

constexpr int kPrinters = 20;
constexpr int kLines = 99;

struct Options {
    int runs = 10;
    int adminRuns = 3;
    std::vector<int> delays = {0, 5, 15, 50};
    bool trace = false;
    fs::path program = KEVO_KEVOCONF_PATH;
};

struct Row {
    int delay = 0;
    std::vector<double> program;
    std::vector<double> admin;
    int connections = 0;
    int mostAtOnce = 0;
    // Of the last run: its requests (handshakes included) and the most on
    // one connection.
    std::vector<bench::TracedRequest> trace;
    int serial = 0;
};

using bench::Printer;
using bench::PrinterName;
using bench::Since;

class Bench {
public:
    explicit Bench(fs::path adminScript)
        : adminScript_(std::move(adminScript)), folder_(test::MakeScratchFolder("kevo-far-")) {
        scheduler_.Start();
        std::vector<e2e::TestPrinter> printers;
        for (int i = 0; i < kPrinters; ++i)
            printers.push_back(Printer(i));
        e2e::AddPrinters(scheduler_, printers, KEVO_TEST_PPD_DIR);
        scheduler_.SetServerDefault(PrinterName(0));
        names_ = folder_ / "names.txt";
        setup_ = folder_ / "setup.ini";
        setupText_ = e2e::WriteMatchingSetup(names_, setup_, kLines, printers);
    }
    ~Bench() {
        scheduler_.UseAsClientServer();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    Row Measure(int delay, const Options& options);

private:
    // The program's time; the most connections it had open at once.
    double RunProgram(const fs::path& program, bench::LatencyProxy& proxy, int* mostAtOnce);
    double RunAdminScript();

    fs::path adminScript_;
    fs::path folder_;
    test::PrivateScheduler scheduler_;
    fs::path names_;
    fs::path setup_;
    std::string setupText_;
};

double Bench::RunProgram(const fs::path& program, bench::LatencyProxy& proxy, int* mostAtOnce) {
    // The ends of the run before are still on their way through the proxy
    // for a moment: the runs are counted one by one.
    const auto idle = Clock::now() + std::chrono::seconds(5);
    while (proxy.ConnectionsOpen() > 0 && Clock::now() < idle)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    proxy.ResetMostAtOnce();
    proxy.TakeTrace();
    const double ms = bench::RunModeTwo(program, names_, setup_, folder_, setupText_).ms;
    *mostAtOnce = proxy.MostConnectionsAtOnce();
    return ms;
}

double Bench::RunAdminScript() {
    const fs::path output = folder_ / "admin.out";
    fs::remove(output);
    test::SpawnOptions options;
    options.outputFile = output;
    test::ChildProcess script({"bash", adminScript_.string(), setup_.string()}, options);
    if (!script.WaitForExit(Clock::now() + std::chrono::seconds(900)))
        throw std::runtime_error("admin-check.sh did not end within 900 s");
    const double ms = Since(script.StartTime());
    const std::string said = test::ReadBytes(output);
    if (said != "checked " + std::to_string(kLines) + " lines, 0 in error\n")
        throw std::runtime_error("admin-check.sh said: " + said);
    return ms;
}

Row Bench::Measure(int delay, const Options& options) {
    Row row;
    row.delay = delay;
    bench::LatencyProxy proxy(scheduler_.Port(), std::chrono::milliseconds(delay));
    // Children inherit this process's environment: both go through the proxy.
    setenv("CUPS_SERVER", proxy.Server().c_str(), 1);
    int mostAtOnce = 0;
    RunProgram(options.program, proxy, &mostAtOnce); // caches warm; not counted
    const int before = proxy.ConnectionsCarried();
    for (int run = 0; run < options.runs; ++run) {
        row.program.push_back(RunProgram(options.program, proxy, &mostAtOnce));
        row.mostAtOnce = std::max(row.mostAtOnce, mostAtOnce);
    }
    // The last run's ends are on their way for a moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * delay + 20));
    row.trace = proxy.TakeTrace();
    row.serial = bench::MostOnOneConnection(row.trace);
    row.connections = (proxy.ConnectionsCarried() - before) / options.runs;
    for (int run = 0; run < options.adminRuns; ++run)
        row.admin.push_back(RunAdminScript());
    scheduler_.UseAsClientServer();
    return row;
}

using kevo::bench::Median;

using kevo::bench::Figure;

Options TakeOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strncmp(arg, "--runs=", 7) == 0) {
            options.runs = std::max(1, std::atoi(arg + 7));
        } else if (std::strncmp(arg, "--admin-runs=", 13) == 0) {
            options.adminRuns = std::max(0, std::atoi(arg + 13));
        } else if (std::strncmp(arg, "--delays=", 9) == 0) {
            options.delays.clear();
            std::istringstream list(arg + 9);
            for (std::string item; std::getline(list, item, ',');)
                options.delays.push_back(std::max(0, std::atoi(item.c_str())));
        } else if (std::strncmp(arg, "--program=", 10) == 0) {
            options.program = arg + 10;
        } else if (std::strcmp(arg, "--trace") == 0) {
            options.trace = true;
        } else {
            throw std::runtime_error(std::string("unknown option ") + arg);
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Options options = TakeOptions(argc, argv);
        Bench bench(KEVO_ADMIN_CHECK_SCRIPT);
        std::vector<Row> rows;
        for (const int delay : options.delays) {
            std::fprintf(stderr, "%d ms one way ...\n", delay);
            rows.push_back(bench.Measure(delay, options));
        }
        std::printf("KevoConf against a far print server: %d lines over %d printers, %d runs of "
                    "the program, %d of the admin script\n\n",
                    kLines, kPrinters, options.runs, options.adminRuns);
        std::printf("%-13s %-11s %-26s %-26s %-8s %-22s %s\n", "one-way ms", "round trip",
                    "mode-2 run ms (spread)", "admin script ms (spread)", "ratio",
                    "connections (at once)", "requests (most on one)");
        std::printf("%s\n", std::string(130, '-').c_str());
        for (const Row& row : rows) {
            const std::string connections =
                std::to_string(row.connections) + " (" + std::to_string(row.mostAtOnce) + ")";
            std::printf("%-13d %-11d %-26s %-26s %-8.1f %-22s %zu (%d)\n", row.delay, 2 * row.delay,
                        Figure(row.program).c_str(), Figure(row.admin).c_str(),
                        Median(row.admin) / Median(row.program), connections.c_str(),
                        row.trace.size(), row.serial);
        }
        for (const Row& row : rows) {
            if (!options.trace)
                break;
            std::fprintf(stderr, "\nThe last run at %d ms one way:\n", row.delay);
            for (const bench::TracedRequest& request : row.trace)
                std::fprintf(stderr, "%9.1f %9.1f  #%-3d %s\n", request.sentMs, request.answeredMs,
                             request.connection, request.what.c_str());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "latency_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
