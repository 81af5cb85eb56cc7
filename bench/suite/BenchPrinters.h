// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "ChildProcess.h"
#include "Files.h"
#include "TestPrinters.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace kevo::bench {

// The benchmarks' printers: "Bench001", "Bench002", ..., office printers
// and printers with long bin names in turn, each at its own address.
inline std::string PrinterName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "Bench%03d", index + 1);
    return name;
}

inline e2e::TestPrinter Printer(int index) {
    const std::string uri = "socket://10.20." + std::to_string(index / 200) + "." +
                            std::to_string(index % 200 + 1) + ":9100";
    return index % 2 == 0 ? e2e::OfficePrinter(PrinterName(index), uri)
                          : e2e::LongNamesPrinter(PrinterName(index), uri);
}

// Milliseconds since start.
inline double Since(test::Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(test::Clock::now() - start).count();
}

// One mode-2 run of the program on a setup without errors, which must end
// by itself within 60 s with status 0 and leave the setup file as it was;
// throws otherwise. Its milliseconds from start to end and how it ended.
struct ModeTwoRun {
    double ms;
    test::ExitInfo exit;
};
inline ModeTwoRun RunModeTwo(const std::filesystem::path& program,
                             const std::filesystem::path& names, const std::filesystem::path& setup,
                             const std::filesystem::path& folder, const std::string& setupText) {
    test::ChildProcess run =
        e2e::StartKevoconf(program, {"2", names.string(), setup.string()}, folder, "");
    if (!run.WaitForExit(test::Clock::now() + std::chrono::seconds(60)))
        throw std::runtime_error("kevoconf did not end within 60 s: " +
                                 test::FileTail(folder / "kevoconf.log", 1000));
    const double ms = Since(run.StartTime());
    const test::ExitInfo exit = *run.Exit();
    if (!exit.exited || exit.code != 0)
        throw std::runtime_error("kevoconf ended with " + exit.Describe());
    if (test::ReadBytes(setup) != setupText)
        throw std::runtime_error("kevoconf changed the setup file");
    return {ms, exit};
}

} // namespace kevo::bench
