// SPDX-License-Identifier: Apache-2.0
// Start-up benchmark: the host application's everyday call. From the
// moment the process is started to its end, kevoconf runs in mode 2 on 99
// named lines that use 20 printers of a private CUPS scheduler, finds no
// error and ends without a window but the splash. Measured on Qt's
// offscreen platform and under Xvfb with openbox; each repetition is one
// run, reported as median and maximum, with the run's peak memory
// (peak_MiB, the child's maximum resident set size).
//
// Goal: median under 300 ms, peak memory under 60 MB.

#include "Desktop.h"
#include "PrivateScheduler.h"
#include "ScratchFolder.h"
#include "TestPrinters.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace kevo::e2e;
using kevo::test::ChildProcess;
using kevo::test::Clock;
using kevo::test::ExitInfo;
using kevo::test::FileTail;

constexpr int kPrinters = 20;
constexpr int kLines = 99;
constexpr int kRuns = 20;

// Everything one run needs, set up once.
struct Setup {
    fs::path folder;
    fs::path namesFile;
    fs::path setupFile;
    std::string setupText;
    std::unique_ptr<kevo::test::PrivateScheduler> scheduler;
    std::unique_ptr<Desktop> desktop;
};

Setup* g_setup = nullptr;

std::vector<TestPrinter> BenchPrinters() {
    std::vector<TestPrinter> printers;
    for (int i = 1; i <= kPrinters; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Printer%02d", i);
        const std::string uri = "socket://10.20.1." + std::to_string(i) + ":9100";
        printers.push_back(i % 2 == 1 ? OfficePrinter(name, uri) : LongNamesPrinter(name, uri));
    }
    return printers;
}

void Prepare(Setup& setup) {
    setup.folder = kevo::test::MakeScratchFolder("kevo-startup-");
    setup.scheduler = std::make_unique<kevo::test::PrivateScheduler>();
    setup.scheduler->Start();
    const auto printers = BenchPrinters();
    AddPrinters(*setup.scheduler, printers, KEVO_TEST_PPD_DIR);
    setup.scheduler->SetServerDefault(printers.front().name);

    // 99 named lines, each on the next printer in turn, with two different
    // bins that the printer has: a setup without errors.
    setup.namesFile = setup.folder / "names.txt";
    setup.setupFile = setup.folder / "setup.ini";
    setup.setupText = WriteMatchingSetup(setup.namesFile, setup.setupFile, kLines, printers);

    DesktopOptions options;
    options.windowManagerConfig = KEVO_E2E_OPENBOX_RC;
    setup.desktop = std::make_unique<Desktop>(setup.folder, options);
}

// One run of the program; throws when it does not end as a run without
// errors must (status 0, setup file untouched).
ExitInfo RunOnce(const std::string& display, double* seconds) {
    Setup& setup = *g_setup;
    ChildProcess program =
        StartKevoconf(KEVO_KEVOCONF_PATH, {"2", setup.namesFile.string(), setup.setupFile.string()},
                      setup.folder, display);
    // A message would wait for an answer: a run without errors ends by
    // itself well within this bound.
    if (!program.WaitForExit(Clock::now() + std::chrono::seconds(10))) {
        throw std::runtime_error("kevoconf did not end within 10 s: does the setup have errors? " +
                                 FileTail(setup.folder / "kevoconf.log", 1500));
    }
    *seconds = std::chrono::duration<double>(Clock::now() - program.StartTime()).count();
    const ExitInfo exit = *program.Exit();
    if (!exit.exited || exit.code != 0)
        throw std::runtime_error("kevoconf ended with " + exit.Describe());
    if (kevo::test::ReadBytes(setup.setupFile) != setup.setupText)
        throw std::runtime_error("kevoconf changed the setup file");
    if (setup.desktop)
        setup.desktop->Watcher().Pump(0);
    return exit;
}

void Startup(benchmark::State& state, bool onXvfb) {
    const std::string display = onXvfb ? g_setup->desktop->Display() : std::string();
    double seconds = 0;
    try {
        RunOnce(display, &seconds); // warm the caches; not counted
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    for (auto _ : state) {
        try {
            const ExitInfo exit = RunOnce(display, &seconds);
            state.SetIterationTime(seconds);
            state.counters["peak_MiB"] = static_cast<double>(exit.usage.ru_maxrss) / 1024.0;
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            break;
        }
    }
}

double Max(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

void Register() {
    for (const bool onXvfb : {false, true}) {
        benchmark::RegisterBenchmark(onXvfb ? "StartupModeTwo/xvfb" : "StartupModeTwo/offscreen",
                                     [onXvfb](benchmark::State& state) { Startup(state, onXvfb); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(kRuns)
            ->ComputeStatistics("max", Max)
            ->ReportAggregatesOnly(true);
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Setup setup;
    try {
        Prepare(setup);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "startup_bench: cannot set up: %s\n", error.what());
        return 1;
    }
    g_setup = &setup;
    Register();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_setup = nullptr;
    setup.desktop.reset();
    setup.scheduler.reset();
    std::error_code ignored;
    fs::remove_all(setup.folder, ignored);
    return 0;
}
