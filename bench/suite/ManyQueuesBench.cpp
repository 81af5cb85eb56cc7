// SPDX-License-Identifier: Apache-2.0
// The mode-2 run against print servers that hold many queues: 99
// configuration lines over the same 20 printers, on private CUPS schedulers
// that hold 20, 2,000 and 10,000 queues, all running at once and asked in
// turn, run after run, so that a change of the machine's load touches every
// size alike. Each run is measured directly and through the latency proxy
// (LatencyProxy.h). Then the print setup dialog's first opening on each,
// as the Edit command opens it.
//
//   many_queues_bench [--runs=N] [--delay=MS] [--sizes=20,2000,10000]
//                     [--program=PATH] [--before=PATH] [--dialog-runs=N]
//
// --delay is the proxy's one-way delay (15 ms: a 30 ms round trip).
// --program runs another build of kevoconf; --before runs a second one
// after each run of the first, and gives its figures beside them (a
// before-and-after in one run). The dialog is always this build's.
//
// Prints, per size, the median and spread of the mode-2 run in ms directly
// and through the proxy, each over the run at the smallest size, and the
// peak memory; then the dialog's first opening. Run by
// bench/suite/run-many-queues.sh.

#include "BenchPrinters.h"
#include "ChildProcess.h"
#include "LatencyProxy.h"
#include "Median.h"
#include "PrivateScheduler.h"
#include "ScratchFolder.h"
#include "ScriptedPrompter.h"
#include "TestPrinters.h"
#include "platform/PrintingServiceFactory.h"
#include "printsetup/PrintSetup.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace kevo;
using kevo::bench::Median;
using test::Clock;

constexpr int kPrinters = 20;
constexpr int kLines = 99;

struct Options {
    int runs = 10;
    int delay = 15;
    int dialogRuns = 5;
    std::vector<int> sizes = {20, 2000, 10000};
    fs::path program = KEVO_KEVOCONF_PATH;
    fs::path before; // none when empty
};

using bench::Printer;
using bench::PrinterName;
using bench::Since;

// The queues beyond the 20 that the lines use, written into printers.conf
// while the scheduler is stopped (lpadmin would take minutes for 10,000):
// queues without PPD, named to fall before, between and after the lines'
// printers in the scheduler's order.
void AddQueues(test::PrivateScheduler& scheduler, int count) {
    if (count <= 0)
        return;
    scheduler.Stop();
    std::ofstream conf(scheduler.Folder() / "etc" / "printers.conf", std::ios::app);
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%05d",
                      i % 3 == 0   ? "Aq"
                      : i % 3 == 1 ? "Bench9"
                                   : "Zq",
                      i);
        conf << "<Printer " << name << ">\nInfo " << name << "\nDeviceURI socket://10.30."
             << i / 250 << "." << i % 250 << ":9100\nState Idle\nAccepting Yes\nShared No\n"
             << "</Printer>\n";
    }
    conf.close();
    scheduler.Start();
}

// One private scheduler of a given size, its proxy, and what each run of
// the program gave.
struct Server {
    int queues = 0;
    std::unique_ptr<test::PrivateScheduler> scheduler;
    std::unique_ptr<bench::LatencyProxy> proxy;
    std::vector<double> direct;
    std::vector<double> far;
    double peakMiB = 0;
    std::vector<double> dialog;
    // The same for the program given by --before.
    std::vector<double> beforeDirect;
    std::vector<double> beforeFar;
    double beforePeakMiB = 0;
};

class Bench {
public:
    explicit Bench(const Options& options)
        : options_(options), folder_(test::MakeScratchFolder("kevo-queues-")) {
        std::vector<e2e::TestPrinter> printers;
        for (int i = 0; i < kPrinters; ++i)
            printers.push_back(Printer(i));
        names_ = folder_ / "names.txt";
        setup_ = folder_ / "setup.ini";
        setupText_ = e2e::WriteMatchingSetup(names_, setup_, kLines, printers);
    }
    ~Bench() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    void AddServer(int queues) {
        Server server;
        server.queues = queues;
        server.scheduler = std::make_unique<test::PrivateScheduler>();
        server.scheduler->Start();
        std::vector<e2e::TestPrinter> printers;
        for (int i = 0; i < kPrinters; ++i)
            printers.push_back(Printer(i));
        e2e::AddPrinters(*server.scheduler, printers, KEVO_TEST_PPD_DIR);
        server.scheduler->SetServerDefault(PrinterName(0));
        AddQueues(*server.scheduler, queues - kPrinters);
        server.proxy = std::make_unique<bench::LatencyProxy>(
            server.scheduler->Port(), std::chrono::milliseconds(options_.delay));
        servers_.push_back(std::move(server));
    }

    void MeasureRuns() {
        for (Server& server : servers_) { // caches warm; not counted
            for (const bool far : {false, true}) {
                RunProgram(server, far, options_.program, server.peakMiB);
                if (!options_.before.empty())
                    RunProgram(server, far, options_.before, server.beforePeakMiB);
            }
        }
        for (int run = 0; run < options_.runs; ++run) {
            for (Server& server : servers_) {
                for (const bool far : {false, true}) {
                    (far ? server.far : server.direct)
                        .push_back(RunProgram(server, far, options_.program, server.peakMiB));
                    if (!options_.before.empty()) {
                        (far ? server.beforeFar : server.beforeDirect)
                            .push_back(
                                RunProgram(server, far, options_.before, server.beforePeakMiB));
                    }
                }
            }
        }
    }

    // The Edit command on a line of the first printer: the catalogue's
    // selection and the dialog shown, from a program that has just started.
    void MeasureDialog() {
        for (Server& server : servers_) {
            server.scheduler->UseAsClientServer();
            for (int run = 0; run < options_.dialogRuns; ++run) {
                std::unique_ptr<platform::PrintingService> service =
                    platform::MakePrintingService(nullptr);
                printers::InstalledPrinters installed(*service);
                test::ScriptedPrompter prompter;
                printsetup::TfrmPrintSetup dialog(installed, prompter);
                if (!prompter.ErrorReports().empty())
                    throw std::runtime_error("the dialog's creation reported " +
                                             prompter.ErrorReports().front());
                Clock::time_point shown;
                // Closed as soon as it shows (the wait pointer may run the
                // event loop before that).
                QTimer poll;
                QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
                    if (!dialog.isVisible())
                        return;
                    shown = Clock::now();
                    poll.stop();
                    dialog.reject();
                });
                poll.start(0);
                printsetup::DialogLine line;
                line.line = 1;
                line.name = "Line 1";
                line.printer = PrinterName(4);
                const auto start = Clock::now();
                dialog.Edit(line);
                server.dialog.push_back(
                    std::chrono::duration<double, std::milli>(shown - start).count());
                const std::size_t listed = dialog.Logic().Catalogue().cboPrinters().items.size();
                if (static_cast<int>(listed) != server.queues)
                    throw std::runtime_error("the dialog listed " + std::to_string(listed) +
                                             " printers of " + std::to_string(server.queues));
            }
        }
    }

    const std::vector<Server>& Servers() const { return servers_; }

private:
    double RunProgram(Server& server, bool far, const fs::path& program, double& peakMiB);

    Options options_;
    fs::path folder_;
    fs::path names_;
    fs::path setup_;
    std::string setupText_;
    std::vector<Server> servers_;
};

double Bench::RunProgram(Server& server, bool far, const fs::path& program, double& peakMiB) {
    server.scheduler->UseAsClientServer();
    if (far) {
        // The ends of the run before are still on their way for a moment.
        const auto idle = Clock::now() + std::chrono::seconds(5);
        while (server.proxy->ConnectionsOpen() > 0 && Clock::now() < idle)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        setenv("CUPS_SERVER", server.proxy->Server().c_str(), 1);
    }
    const bench::ModeTwoRun run = bench::RunModeTwo(program, names_, setup_, folder_, setupText_);
    peakMiB = std::max(peakMiB, static_cast<double>(run.exit.usage.ru_maxrss) / 1024.0);
    return run.ms;
}

using bench::Figure;

std::vector<int> IntList(const char* text) {
    std::vector<int> values;
    std::istringstream list(text);
    for (std::string item; std::getline(list, item, ',');)
        values.push_back(std::max(0, std::atoi(item.c_str())));
    return values;
}

Options TakeOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strncmp(arg, "--runs=", 7) == 0)
            options.runs = std::max(1, std::atoi(arg + 7));
        else if (std::strncmp(arg, "--delay=", 8) == 0)
            options.delay = std::max(0, std::atoi(arg + 8));
        else if (std::strncmp(arg, "--dialog-runs=", 14) == 0)
            options.dialogRuns = std::max(0, std::atoi(arg + 14));
        else if (std::strncmp(arg, "--sizes=", 8) == 0)
            options.sizes = IntList(arg + 8);
        else if (std::strncmp(arg, "--program=", 10) == 0)
            options.program = arg + 10;
        else if (std::strncmp(arg, "--before=", 9) == 0)
            options.before = arg + 9;
        else
            throw std::runtime_error(std::string("unknown option ") + arg);
    }
    if (options.sizes.empty() ||
        *std::min_element(options.sizes.begin(), options.sizes.end()) < kPrinters)
        throw std::runtime_error("every size needs at least the lines' 20 printers");
    return options;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Options options = TakeOptions(argc, argv);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        Bench bench(options);
        for (const int size : options.sizes) {
            std::fprintf(stderr, "scheduler with %d queues ...\n", size);
            bench.AddServer(size);
        }
        std::fprintf(stderr, "mode-2 runs ...\n");
        bench.MeasureRuns();
        if (options.dialogRuns > 0) {
            std::fprintf(stderr, "print setup dialog ...\n");
            int qtArgc = 1;
            char name[] = "many_queues_bench";
            char* qtArgv[] = {name, nullptr};
            QApplication application(qtArgc, qtArgv);
            bench.MeasureDialog();
        }

        const auto& servers = bench.Servers();
        const double directBase = Median(servers.front().direct);
        const double farBase = Median(servers.front().far);
        std::printf("KevoConf against schedulers with many queues: %d lines over %d printers, %d "
                    "runs each, side by side; far: %d ms round trip\nprogram: %s\n\n",
                    kLines, kPrinters, options.runs, 2 * options.delay,
                    options.program.string().c_str());
        std::printf("%-8s %-20s %-7s %-20s %-7s %-9s %s\n", "queues", "direct ms (spread)", "ratio",
                    "far ms (spread)", "ratio", "peak MiB", "dialog opened ms (spread)");
        std::printf("%s\n", std::string(100, '-').c_str());
        for (const Server& server : servers) {
            std::printf("%-8d %-20s %-7.2f %-20s %-7.2f %-9.1f %s\n", server.queues,
                        Figure(server.direct).c_str(), Median(server.direct) / directBase,
                        Figure(server.far).c_str(), Median(server.far) / farBase, server.peakMiB,
                        Figure(server.dialog).c_str());
        }
        if (!options.before.empty()) {
            const double beforeDirectBase = Median(servers.front().beforeDirect);
            const double beforeFarBase = Median(servers.front().beforeFar);
            std::printf("\nbefore, run after each of the runs above: %s\n\n",
                        options.before.string().c_str());
            std::printf("%-8s %-20s %-7s %-20s %-7s %s\n", "queues", "direct ms (spread)", "ratio",
                        "far ms (spread)", "ratio", "peak MiB");
            std::printf("%s\n", std::string(74, '-').c_str());
            for (const Server& server : servers) {
                std::printf("%-8d %-20s %-7.2f %-20s %-7.2f %.1f\n", server.queues,
                            Figure(server.beforeDirect).c_str(),
                            Median(server.beforeDirect) / beforeDirectBase,
                            Figure(server.beforeFar).c_str(),
                            Median(server.beforeFar) / beforeFarBase, server.beforePeakMiB);
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "many_queues_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
