// SPDX-License-Identifier: Apache-2.0
// The crash test's victim: saves the two tables of CrashVersions.h in turn
// to the setup file named on its command line, through the program's own
// save, until it is killed. Writes "ready" to its standard output before
// the first save.
//
//   crash_saver SETUP-FILE [FIRST-VERSION]

#include "CrashVersions.h"

#include "setup/SetupFile.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: crash_saver SETUP-FILE [FIRST-VERSION]\n");
        return 2;
    }
    const std::string path = argv[1];
    int version = argc > 2 ? std::atoi(argv[2]) % 2 : 0;
    // On the heap: clang 14 crashes compiling a table on the stack in C++20.
    const auto table = std::make_unique<kevo::setup::ConfigTable>();
    table->LayOut();
    std::puts("ready");
    std::fflush(stdout);
    try {
        for (;;) {
            kevo::faults::FillCrashTable(*table, version);
            kevo::setup::SaveSetupFile(*table, path);
            version = 1 - version;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "crash_saver: %s\n", error.what());
        return 1;
    }
}
