#include "PrinterReport.h"

#include "platform/ErrorReport.h"
#include "printsetup/PrinterCatalogue.h"

#include <algorithm>
#include <cstdio>

namespace kevo::tools {

namespace {

using printsetup::PrinterCatalogue;

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 32 || byte == 127) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The standard error report's text, its line breaks indented under "Error: ".
std::string ErrorLine(const std::string& indent, const std::string& errorText) {
    std::string text = platform::StandardErrorText(errorText);
    std::string out = indent + "Error:  ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\n" + indent + "        ";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out + "\n";
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

} // namespace

PrinterReport WritePrinterReport(platform::PrintingService& service) {
    PrinterReport report;
    PrinterCatalogue catalogue(service);
    try {
        catalogue.FormCreate();
    } catch (const platform::KevoError& error) {
        report.text += ErrorLine("", error.what());
        report.failed = true;
    }

    const std::vector<std::string>& printers = catalogue.cboPrinters().items;
    if (printers.empty()) {
        report.text += "No printers are listed.\n";
        return report;
    }
    // Build made the default printer current before any error could stop it.
    const int defaultPosition = catalogue.CurrentPrinterPosition();
    report.text += "Default printer: " + std::to_string(defaultPosition) + " " +
                   Quoted(printers[static_cast<std::size_t>(defaultPosition)]) + "\n";
    report.text += "Printers: " + std::to_string(printers.size()) + "\n";

    for (std::size_t i = 0; i < printers.size(); ++i) {
        std::string error;
        catalogue.SetSelectedPosition(static_cast<int>(i));
        try {
            catalogue.cboPrintersChange();
        } catch (const platform::KevoError& e) {
            error = e.what();
            report.failed = true;
        }
        report.text += "\n" + std::to_string(i) + " " + Quoted(printers[i]) +
                       (static_cast<int>(i) == defaultPosition ? " (default)" : "") + "\n";
        report.text += "    Port:   " + Quoted(catalogue.lblPort()) + "\n";
        report.text += "    Driver: " + Quoted(catalogue.lblDriver()) + "\n";

        const std::vector<std::string>& names = catalogue.cboTray1().items;
        // When the bin names fail, the number lists still hold the previous
        // printer's numbers: they are not this printer's.
        const std::vector<std::string> noNumbers;
        const std::vector<std::string>& numbers =
            !error.empty() && names.empty() ? noNumbers : catalogue.cboTray1Num().items;
        const std::size_t rows = std::max(names.size(), numbers.size());
        for (std::size_t row = 0; row < rows; ++row) {
            report.text += row == 0 ? "    Bins:   " : "            ";
            report.text += Padded(row < numbers.size() ? numbers[row] : "-", 7);
            report.text += row < names.size() ? Quoted(names[row]) : "-";
            report.text += "\n";
        }
        if (rows == 0)
            report.text += "    Bins:   none loaded\n";
        if (!error.empty())
            report.text += ErrorLine("    ", error);
    }
    return report;
}

} // namespace kevo::tools
