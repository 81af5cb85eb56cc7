// SPDX-License-Identifier: Apache-2.0
#pragma once

// What a printing service reports, as plain data that one program writes
// and another reads: the CUPS service's answers are taken on Linux
// (kevo_cups_dump) and compared, under Wine, with the Windows service's
// answers for the same scheduler's queues.
//
// The file has one record per line, fields separated by tabs, every text as
// hexadecimal bytes so that no byte of a name needs escaping:
//
//   default  STATUS  NAME-OR-CODE  TEXT   status ok, invalid-name or error
//   windows-device  VALUE                 the [windows] "device" value
//   printer  NAME  PORT  DEVICES-VALUE
//   bin-names  PRINTER  COUNT  ANSWER  FIELD...
//   bin-numbers  PRINTER  COUNT  ANSWER  NUMBER...
//
// ANSWER is the data query's answer, or "-" when the count gave no bins and
// the data query was not made.

#include "platform/printing/PrintingService.h"

#include <optional>
#include <string>
#include <vector>

namespace kevo::testing {

struct DumpedPrinter {
    std::string name;
    std::string port;
    platform::DevicesValue devices;
    int nameCount = 0;
    std::optional<int> nameAnswer;
    std::vector<std::string> nameFields; // each up to 24 bytes, up to its first NUL
    int numberCount = 0;
    std::optional<int> numberAnswer;
    std::vector<unsigned> numbers;
};

struct PrinterDump {
    platform::DefaultPrinterAnswer defaultPrinter;
    platform::WindowsDevice windowsDevice;
    std::vector<DumpedPrinter> printers;
};

// Asks the service everything, once per printer, as the catalogue would.
PrinterDump DumpService(platform::PrintingService& service);

std::string WriteDump(const PrinterDump& dump);

// Bytes as lower-case hexadecimal, two digits each: how the dump writes its
// texts (and the runner the arguments it was given).
std::string HexOf(const std::string& bytes);

// Reads what WriteDump wrote; nothing when a line is not understood.
std::optional<PrinterDump> ReadDump(const std::string& text);

// The default printer's name as the program works it out: the service's
// first name, else the printer that the [windows] "device" value names;
// empty when there is none.
std::string EffectiveDefault(const PrinterDump& dump);

// A bin name as the catalogue shows it: trimmed of every character up to
// and including the blank at both ends.
std::string ShownBinName(const std::string& field);

} // namespace kevo::testing
