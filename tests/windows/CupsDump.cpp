// SPDX-License-Identifier: Apache-2.0
// kevo_cups_dump FILE: writes what the CUPS printing service reports for the
// scheduler that CUPS_SERVER names (PrinterDump.h), for the Windows test
// runner to compare with what Wine's winspool reports for the same queues.

#include "PrinterDump.h"

#include "platform/cups/CupsPrintingService.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: kevo_cups_dump FILE\n";
        return 2;
    }
    auto service = kevo::platform::MakeCupsPrintingService();
    const kevo::testing::PrinterDump dump = kevo::testing::DumpService(*service);
    std::ofstream file(argv[1], std::ios::binary);
    file << kevo::testing::WriteDump(dump);
    file.close();
    if (!file) {
        std::cerr << "kevo_cups_dump: cannot write " << argv[1] << "\n";
        return 1;
    }
    std::cout << "kevo_cups_dump: " << dump.printers.size() << " printers, default \""
              << kevo::testing::EffectiveDefault(dump) << "\"\n";
    return dump.printers.empty() ? 1 : 0;
}
