// SPDX-License-Identifier: Apache-2.0
// The Windows test runner: GoogleTest, except when it is started as a child
// that reports its command line (SystemOnWindowsTest_win.cpp).

#include "PrinterDump.h"
#include "WindowsTestSupport.h"

#include "platform/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <objbase.h>
#include <windows.h>

namespace kevo::testing {

int PrintArguments(const std::string& file, int argc, const char* const* argv) {
    std::string lines;
    for (const std::string& argument : platform::ProgramArguments(argc, argv))
        lines += HexOf(argument) + '\n';
    try {
        WriteBytes(file, lines);
    } catch (const std::exception&) {
        return 1;
    }
    return 0;
}

} // namespace kevo::testing

int main(int argc, char** argv) {
    if (const char* file = std::getenv(kevo::testing::kPrintArgumentsVariable))
        return kevo::testing::PrintArguments(file, argc, argv);
    // The shell wants COM on the thread that asks it to open something.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // No dialog boxes for a crash or a missing disk: a test must fail, not wait.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
