// SPDX-License-Identifier: Apache-2.0
// One of the two writers of the two-writers test: reads the setup file once,
// as the main window does, then changes its own line's first bin COUNT times
// and saves after each change through the window's save (merged with what
// the other writer saved meanwhile). Lines 1 to 4 are named.
//
//   setup_writer SETUP-FILE LINE COUNT
//
// Exits 1 when a save fails or finds a conflict, which two writers of
// different lines never make.

#include "setup/ConfigTable.h"
#include "setup/NamesFile.h"
#include "setup/SetupFile.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

int main(int argc, char* argv[]) {
    using namespace kevo::setup;
    if (argc != 4) {
        std::fprintf(stderr, "usage: setup_writer SETUP-FILE LINE COUNT\n");
        return 2;
    }
    const std::string path = argv[1];
    const int line = std::atoi(argv[2]);
    const int count = std::atoi(argv[3]);
    // On the heap: clang 14 crashes compiling a table on the stack in C++20.
    const auto table = std::make_unique<ConfigTable>();
    table->LayOut();
    FillNameColumns(*table, {"Line 1", "Line 2", "Line 3", "Line 4"});
    SetupSnapshot base;
    LoadSetupFile(*table, path, &base);
    try {
        for (int i = 1; i <= count; ++i) {
            table->SetCell(ColSource1, line, "bin " + std::to_string(i));
            table->SetCell(ColChanged, line, "*");
            table->SetModified(true);
            const SaveReport report =
                SaveSetupFile(*table, path, base, [](const std::vector<SetupConflict>&) {
                    return std::optional<ConflictChoice>();
                });
            if (report.cancelled) {
                std::fprintf(stderr, "setup_writer: line %d: a conflict at save %d\n", line, i);
                return 1;
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "setup_writer: line %d: %s\n", line, error.what());
        return 1;
    }
    return 0;
}
