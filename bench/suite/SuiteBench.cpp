// SPDX-License-Identifier: Apache-2.0
// The benchmark suite: what the host application and the user wait for, at
// 99 configuration lines over 1, 20 and 200 printers of a private CUPS
// scheduler (and 20 lines over 20 printers, to set lines against printers),
// beside what an administrator would do without KevoConf: admin-check.sh,
// which asks the scheduler for every line's printer and bins with lpstat and
// lpoptions.
//
//   mode-2 run   the real kevoconf program, started as the host starts it
//                (run mode 2, Qt's offscreen platform), from process start
//                to its end, on a setup without errors; with its peak memory
//   recheck      Recheck Printers, in this process through the main window's
//                logic (MainWindowLogic) over the real CUPS service and catalogue,
//                after a start-up that asked the scheduler everything
//   save         Save Details (the setup file written and synced, then the
//                full recheck), the same way
//   reload       Reload Details answered OK (read, then the full recheck)
//   admin script admin-check.sh on the same setup file
//
// Prints one table: median and spread (minimum to maximum) of each, peak
// memory of the program, the admin script's time over the program's, and the
// goals. Run by bench/suite/run-suite.sh; options:
//   --runs=N        repetitions of the program and the commands (10)
//   --admin-runs=N  repetitions of the admin script (3)
// and Google Benchmark's own (--benchmark_filter=... picks measurements).

#include "BenchPrinters.h"
#include "Median.h"
#include "PrivateScheduler.h"
#include "ScratchFolder.h"
#include "TestPrinters.h"
#include "WindowlessProgram.h"
#include "setup/ConfigTable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace kevo;
using test::Clock;

constexpr int kMaxLines = 99;

struct Config {
    int printers; // in the scheduler
    int lines;    // named lines, each on the next printer in turn
    int Distinct() const { return std::min(printers, lines); }
    std::string Key() const {
        return std::to_string(printers) + "p/" + std::to_string(lines) + "l";
    }
};

const Config kConfigs[] = {{1, 99}, {20, 20}, {20, 99}, {200, 99}};

enum class Measure { ModeTwo, Recheck, Save, Reload, Admin };

const char* MeasureName(Measure measure) {
    switch (measure) {
    case Measure::ModeTwo:
        return "mode-2 run (program)";
    case Measure::Recheck:
        return "recheck (in process)";
    case Measure::Save:
        return "save (in process)";
    case Measure::Reload:
        return "reload (in process)";
    case Measure::Admin:
        return "admin script";
    }
    return "";
}

struct Result {
    std::vector<double> ms;
    double peakMiB = 0;
    std::string error;
};

struct Options {
    int runs = 10;
    int adminRuns = 3;
};

// The files of one configuration, and the program that runs its commands in
// this process.
struct Prepared {
    fs::path folder;
    fs::path names;
    fs::path setup;
    std::string setupText;
    int lines = 0;
    std::unique_ptr<test::WindowlessProgram> program;
    bool warmedUp = false;
};

class Suite {
public:
    Suite(Options options, fs::path adminScript)
        : options_(options), adminScript_(std::move(adminScript)),
          folder_(test::MakeScratchFolder("kevo-suite-")) {
        scheduler_.Start();
    }
    ~Suite() {
        prepared_.clear();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    const Options& Opts() const { return options_; }
    Result& ResultFor(const Config& config, Measure measure) {
        return results_[{config.Key(), measure}];
    }

    Prepared& Prepare(const Config& config);
    double RunProgram(Prepared& prepared, double* peakMiB);
    double RunAdminScript(Prepared& prepared);
    test::WindowlessProgram& Program(Prepared& prepared);

    void PrintTable() const;

private:
    static std::string PrinterName(int index) { return bench::PrinterName(index); }
    static e2e::TestPrinter Printer(int index) { return bench::Printer(index); }
    void EnsurePrinters(int count);

    Options options_;
    fs::path adminScript_;
    fs::path folder_;
    test::PrivateScheduler scheduler_;
    int printers_ = 0;
    std::map<std::string, Prepared> prepared_;
    std::map<std::pair<std::string, Measure>, Result> results_;
};

void Suite::EnsurePrinters(int count) {
    std::vector<e2e::TestPrinter> added;
    for (int i = printers_; i < count; ++i)
        added.push_back(Printer(i));
    e2e::AddPrinters(scheduler_, added, KEVO_TEST_PPD_DIR);
    if (printers_ == 0 && count > 0)
        scheduler_.SetServerDefault(PrinterName(0));
    printers_ = std::max(printers_, count);
}

Prepared& Suite::Prepare(const Config& config) {
    // The scheduler only grows: a configuration's catalogue holds exactly
    // its printers when the configurations come in order of printers.
    if (printers_ != config.printers)
        EnsurePrinters(config.printers);
    Prepared& prepared = prepared_[config.Key()];
    if (!prepared.folder.empty())
        return prepared;
    prepared.folder = folder_ / (std::to_string(config.printers) + "-printers-" +
                                 std::to_string(config.lines) + "-lines");
    fs::create_directories(prepared.folder);
    std::vector<e2e::TestPrinter> printers;
    for (int i = 0; i < config.Distinct(); ++i)
        printers.push_back(Printer(i));
    prepared.names = prepared.folder / "names.txt";
    prepared.setup = prepared.folder / "setup.ini";
    prepared.setupText =
        e2e::WriteMatchingSetup(prepared.names, prepared.setup, config.lines, printers);
    prepared.lines = config.lines;
    return prepared;
}

double Suite::RunProgram(Prepared& prepared, double* peakMiB) {
    test::ChildProcess program = e2e::StartKevoconf(
        KEVO_KEVOCONF_PATH, {"2", prepared.names.string(), prepared.setup.string()},
        prepared.folder, "");
    // A run without errors ends by itself; a message would wait for an
    // answer that never comes.
    if (!program.WaitForExit(Clock::now() + std::chrono::seconds(30))) {
        throw std::runtime_error("kevoconf did not end within 30 s (does the setup have "
                                 "errors?): " +
                                 test::FileTail(prepared.folder / "kevoconf.log", 1000));
    }
    const double ms =
        std::chrono::duration<double, std::milli>(Clock::now() - program.StartTime()).count();
    const test::ExitInfo exit = *program.Exit();
    if (!exit.exited || exit.code != 0)
        throw std::runtime_error("kevoconf ended with " + exit.Describe());
    if (test::ReadBytes(prepared.setup) != prepared.setupText)
        throw std::runtime_error("kevoconf changed the setup file");
    *peakMiB = static_cast<double>(exit.usage.ru_maxrss) / 1024.0;
    return ms;
}

double Suite::RunAdminScript(Prepared& prepared) {
    const fs::path output = prepared.folder / "admin.out";
    fs::remove(output);
    test::SpawnOptions options;
    options.outputFile = output;
    test::ChildProcess script({"bash", adminScript_.string(), prepared.setup.string()}, options);
    if (!script.WaitForExit(Clock::now() + std::chrono::seconds(300)))
        throw std::runtime_error("admin-check.sh did not end within 300 s");
    const double ms =
        std::chrono::duration<double, std::milli>(Clock::now() - script.StartTime()).count();
    // It must have done the whole comparison and found the setup right.
    const std::string said = test::ReadBytes(output);
    const std::string expected =
        "checked " + std::to_string(prepared.lines) + " lines, 0 in error\n";
    if (said != expected)
        throw std::runtime_error("admin-check.sh said: " + said);
    return ms;
}

test::WindowlessProgram& Suite::Program(Prepared& prepared) {
    if (prepared.program)
        return *prepared.program;
    // Its own copies of the files: saving rewrites the setup file.
    test::ProgramFiles files{prepared.folder / "names-in-process.txt",
                             prepared.folder / "setup-in-process.ini", prepared.folder / "config"};
    fs::copy_file(prepared.names, files.names, fs::copy_options::overwrite_existing);
    fs::copy_file(prepared.setup, files.setup, fs::copy_options::overwrite_existing);
    auto program = std::make_unique<test::WindowlessProgram>();
    program->StartUp("0", files);
    for (int line = setup::kFirstLine; line <= setup::kLastLine; ++line) {
        if (!program->Errors(line).empty())
            throw std::runtime_error("line " + std::to_string(line) +
                                     " is in error: " + program->Errors(line));
    }
    if (!program->prompter.Shown().empty())
        throw std::runtime_error("start-up showed: " + program->prompter.Shown().front());
    prepared.program = std::move(program);
    return *prepared.program;
}

Suite* g_suite = nullptr;

void Measured(benchmark::State& state, const Config& config, Measure measure) {
    Suite& suite = *g_suite;
    Result& result = suite.ResultFor(config, measure);
    for (auto _ : state) {
        try {
            Prepared& prepared = suite.Prepare(config);
            double ms = 0;
            switch (measure) {
            case Measure::ModeTwo: {
                double peak = 0;
                if (!prepared.warmedUp) {
                    suite.RunProgram(prepared, &peak); // caches warm; not counted
                    prepared.warmedUp = true;
                }
                ms = suite.RunProgram(prepared, &peak);
                result.peakMiB = std::max(result.peakMiB, peak);
                state.counters["peak_MiB"] = peak;
                break;
            }
            case Measure::Recheck:
            case Measure::Save:
            case Measure::Reload: {
                test::WindowlessProgram& program = suite.Program(prepared);
                program.prompter.Forget();
                const auto start = Clock::now();
                if (measure == Measure::Recheck)
                    program.Recheck();
                else if (measure == Measure::Save)
                    program.form.btnSaveIniClick();
                else
                    program.Reload();
                ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                // Only the reload's own question may have been shown.
                if (program.prompter.Shown().size() > (measure == Measure::Reload ? 1u : 0u))
                    throw std::runtime_error("the command showed: " +
                                             program.prompter.Shown().back());
                break;
            }
            case Measure::Admin:
                ms = suite.RunAdminScript(prepared);
                break;
            }
            result.ms.push_back(ms);
            state.SetIterationTime(ms / 1000.0);
        } catch (const std::exception& error) {
            result.error = error.what();
            state.SkipWithError(error.what());
            break;
        }
    }
}

using kevo::bench::Median;

std::string Ms(double ms) {
    char text[32];
    if (ms >= 100)
        std::snprintf(text, sizeof text, "%.0f", ms);
    else if (ms >= 1)
        std::snprintf(text, sizeof text, "%.1f", ms);
    else
        std::snprintf(text, sizeof text, "%.2f", ms);
    return text;
}

void Suite::PrintTable() const {
    std::printf("\n%-9s %-6s %-9s  %-21s %10s %19s %9s\n", "printers", "lines", "distinct",
                "measure", "median ms", "spread (min-max) ms", "peak MiB");
    std::printf("%s\n", std::string(90, '-').c_str());
    auto find = [&](const Config& config, Measure measure) -> const Result* {
        const auto it = results_.find({config.Key(), measure});
        return it == results_.end() || it->second.ms.empty() ? nullptr : &it->second;
    };
    for (const Config& config : kConfigs) {
        for (const Measure measure :
             {Measure::ModeTwo, Measure::Recheck, Measure::Save, Measure::Reload, Measure::Admin}) {
            const auto it = results_.find({config.Key(), measure});
            if (it == results_.end())
                continue;
            const Result& result = it->second;
            std::printf("%-9d %-6d %-9d  %-21s ", config.printers, config.lines, config.Distinct(),
                        MeasureName(measure));
            if (!result.error.empty() || result.ms.empty()) {
                std::printf("failed: %s\n", result.error.c_str());
                continue;
            }
            const auto [low, high] = std::minmax_element(result.ms.begin(), result.ms.end());
            const std::string spread = Ms(*low) + "-" + Ms(*high);
            std::printf("%10s %19s", Ms(Median(result.ms)).c_str(), spread.c_str());
            if (measure == Measure::ModeTwo)
                std::printf(" %9.1f", result.peakMiB);
            std::printf("\n");
        }
    }

    std::printf("\nAdmin script time over the mode-2 run's (medians):\n");
    for (const Config& config : kConfigs) {
        const Result* program = find(config, Measure::ModeTwo);
        const Result* admin = find(config, Measure::Admin);
        if (program == nullptr || admin == nullptr)
            continue;
        std::printf("  %3d printers, %2d lines: %.1f x\n", config.printers, config.lines,
                    Median(admin->ms) / Median(program->ms));
    }

    std::printf("\nGoals:\n");
    const Config twenty{20, 99};
    if (const Result* program = find(twenty, Measure::ModeTwo)) {
        if (const Result* admin = find(twenty, Measure::Admin)) {
            const double ratio = Median(admin->ms) / Median(program->ms);
            std::printf("  mode-2 run >= 10 x faster than the admin script at 99 lines / 20 "
                        "printers: %.1f x  %s\n",
                        ratio, ratio >= 10 ? "met" : "NOT MET");
        }
    }
    const Result* fewLines = find(Config{20, 20}, Measure::ModeTwo);
    const Result* manyLines = find(twenty, Measure::ModeTwo);
    const Result* onePrinter = find(Config{1, 99}, Measure::ModeTwo);
    const Result* manyPrinters = find(Config{200, 99}, Measure::ModeTwo);
    if (fewLines != nullptr && manyLines != nullptr) {
        // Five times the lines over the same printers must cost about the
        // same: each printer is asked once, whatever uses it.
        const double ratio = Median(manyLines->ms) / Median(fewLines->ms);
        std::printf("  cost grows with distinct printers, not lines: over 20 printers, 99 lines "
                    "take %.2f x the time of 20 lines",
                    ratio);
        const Result* fewAdmin = find(Config{20, 20}, Measure::Admin);
        const Result* manyAdmin = find(twenty, Measure::Admin);
        if (fewAdmin != nullptr && manyAdmin != nullptr)
            std::printf(" (admin script: %.2f x)", Median(manyAdmin->ms) / Median(fewAdmin->ms));
        std::printf("  %s\n", ratio < 1.5 ? "met" : "NOT MET");
    }
    if (onePrinter != nullptr && manyLines != nullptr && manyPrinters != nullptr) {
        std::printf("  99 lines over 1, 20, 99 distinct printers: %s, %s, %s ms\n",
                    Ms(Median(onePrinter->ms)).c_str(), Ms(Median(manyLines->ms)).c_str(),
                    Ms(Median(manyPrinters->ms)).c_str());
    }
    if (manyPrinters != nullptr) {
        std::printf("  peak memory < 60 MB at 200 printers: %.1f MiB (%.1f MB)  %s\n",
                    manyPrinters->peakMiB, manyPrinters->peakMiB * 1.048576,
                    manyPrinters->peakMiB * 1.048576 < 60 ? "met" : "NOT MET");
    }
}

// Reads and removes the suite's own options; the rest is Google Benchmark's.
Options TakeOptions(int& argc, char** argv) {
    Options options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strncmp(arg, "--runs=", 7) == 0)
            options.runs = std::max(1, std::atoi(arg + 7));
        else if (std::strncmp(arg, "--admin-runs=", 13) == 0)
            options.adminRuns = std::max(1, std::atoi(arg + 13));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return options;
}

// Tells on standard error how far the suite has come; the table is printed
// at the end.
class ProgressReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred)
                std::fprintf(stderr, "%s: %s\n", run.benchmark_name().c_str(),
                             run.error_message.c_str());
            else if (run.run_type == Run::RT_Iteration && run.repetition_index == 0)
                std::fprintf(stderr, "%s ...\n", run.run_name.function_name.c_str());
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    const Options options = TakeOptions(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    try {
        Suite suite(options, KEVO_ADMIN_CHECK_SCRIPT);
        g_suite = &suite;
        for (const Config& config : kConfigs) {
            for (const Measure measure : {Measure::ModeTwo, Measure::Recheck, Measure::Save,
                                          Measure::Reload, Measure::Admin}) {
                const int runs = measure == Measure::Admin ? options.adminRuns : options.runs;
                static const char* const kShort[] = {"mode2", "recheck", "save", "reload", "admin"};
                const std::string name =
                    std::string(kShort[static_cast<int>(measure)]) + "/" + config.Key();
                benchmark::RegisterBenchmark(name.c_str(),
                                             [config, measure](benchmark::State& state) {
                                                 Measured(state, config, measure);
                                             })
                    ->Unit(benchmark::kMillisecond)
                    ->UseManualTime()
                    ->Iterations(1)
                    ->Repetitions(runs);
            }
        }
        ProgressReporter progress;
        benchmark::RunSpecifiedBenchmarks(&progress);
        std::printf("KevoConf benchmark suite: %d runs of the program and the commands, %d of "
                    "the admin script\n",
                    options.runs, options.adminRuns);
        suite.PrintTable();
        g_suite = nullptr;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "suite_bench: %s\n", error.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
