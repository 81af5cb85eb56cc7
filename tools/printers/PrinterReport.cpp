// SPDX-License-Identifier: Apache-2.0
#include "printers/PrinterReport.h"

#include "common/JsonWriter.h"
#include "common/TextQuoting.h"
#include "common/ToolVersion.h"
#include "messages/ErrorReport.h"
#include "printers/Printers.h"

#include <algorithm>
#include <charconv>

namespace kevo::tools {

namespace {

// The standard error report's text, its line breaks indented under "Error: ".
std::string ErrorLine(const std::string& indent, const std::string& reportText) {
    std::string out = indent + "Error:  ";
    for (std::size_t i = 0; i < reportText.size(); ++i) {
        if (reportText[i] == '\r' && i + 1 < reportText.size() && reportText[i + 1] == '\n') {
            out += "\n" + indent + "        ";
            ++i;
        } else {
            out += reportText[i];
        }
    }
    return out + "\n";
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

// One printer with its details and bins: the names first, then the numbers,
// which are not asked once the names fail.
ListedPrinter ListPrinter(const printers::Printers& printers, int position,
                          const std::vector<std::string>& names, int defaultPosition) {
    ListedPrinter printer;
    printer.position = position;
    printer.name = names.at(static_cast<std::size_t>(position));
    printer.isDefault = position == defaultPosition;
    const printers::Printer details = printers.Details(position);
    printer.port = details.port;
    printer.driver = details.driver;
    std::vector<std::string> binNames;
    std::vector<std::string> numbers;
    try {
        binNames = printers.Bins(details, platform::BinKind::Names, false).texts;
        numbers = printers.Bins(details, platform::BinKind::Numbers, false).texts;
    } catch (const messages::KevoError& e) {
        printer.error = messages::StandardErrorText(e.what());
    }
    const std::size_t rows = std::max(binNames.size(), numbers.size());
    for (std::size_t row = 0; row < rows; ++row) {
        ListedBin bin;
        if (row < numbers.size())
            bin.number = numbers[row];
        if (row < binNames.size())
            bin.name = binNames[row];
        printer.bins.push_back(std::move(bin));
    }
    return printer;
}

} // namespace

PrinterListing ListPrinters(platform::PrintingService& service) {
    PrinterListing listing;
    const printers::Printers printers(service);
    try {
        listing.defaultPosition = printers.DefaultPosition();
    } catch (const messages::KevoError& error) {
        listing.buildError = messages::StandardErrorText(error.what());
        listing.failed = true;
        return listing;
    }
    const std::vector<std::string> names = printers.Names();
    // The program's start-up asks for the default printer first: its failure
    // is the build's.
    const ListedPrinter listedDefault =
        ListPrinter(printers, listing.defaultPosition, names, listing.defaultPosition);
    if (!listedDefault.error.empty()) {
        listing.buildError = listedDefault.error;
        listing.failed = true;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int position = static_cast<int>(i);
        listing.printers.push_back(
            position == listing.defaultPosition
                ? listedDefault
                : ListPrinter(printers, position, names, listing.defaultPosition));
        if (!listing.printers.back().error.empty())
            listing.failed = true;
    }
    return listing;
}

std::string PrinterReportText(const PrinterListing& listing) {
    std::string text;
    if (!listing.buildError.empty())
        text += ErrorLine("", listing.buildError);
    if (listing.printers.empty())
        return text + "No printers are listed.\n";

    const auto position = static_cast<std::size_t>(listing.defaultPosition);
    text += "Default printer: " + std::to_string(listing.defaultPosition) + " " +
            QuotedText(listing.printers.at(position).name) + "\n";
    text += "Printers: " + std::to_string(listing.printers.size()) + "\n";
    for (const ListedPrinter& printer : listing.printers) {
        text += "\n" + std::to_string(printer.position) + " " + QuotedText(printer.name) +
                (printer.isDefault ? " (default)" : "") + "\n";
        text += "    Port:   " + QuotedText(printer.port) + "\n";
        text += "    Driver: " + QuotedText(printer.driver) + "\n";
        bool first = true;
        for (const ListedBin& bin : printer.bins) {
            text += first ? "    Bins:   " : "            ";
            text += Padded(bin.number.value_or("-"), 7);
            text += bin.name ? QuotedText(*bin.name) : "-";
            text += "\n";
            first = false;
        }
        if (printer.bins.empty())
            text += "    Bins:   none loaded\n";
        if (!printer.error.empty())
            text += ErrorLine("    ", printer.error);
    }
    return text;
}

PrinterReport WritePrinterReport(platform::PrintingService& service) {
    const PrinterListing listing = ListPrinters(service);
    return {PrinterReportText(listing), listing.failed};
}

std::string PrinterReportJson(const PrinterListing& listing, const char* simulatedPrintersFile) {
    JsonWriter json;
    const auto optionalText = [&](std::string_view key, const std::string& text) {
        if (text.empty()) {
            json.Key(key);
            json.Null();
        } else {
            json.TextMember(key, text);
        }
    };

    json.BeginObject();
    json.Key("program");
    json.String("kevoconf-printers");
    json.Key("version");
    json.String(ToolVersion());
    if (simulatedPrintersFile != nullptr) {
        json.TextMember("simulatedPrinters", simulatedPrintersFile);
    } else {
        json.Key("simulatedPrinters");
        json.Null();
    }
    optionalText("error", listing.buildError);
    json.Key("defaultPrinter");
    if (listing.defaultPosition >= 0)
        json.Integer(listing.defaultPosition);
    else
        json.Null();
    json.Key("printers");
    json.BeginArray();
    for (const ListedPrinter& printer : listing.printers) {
        json.BeginObject();
        json.Key("position");
        json.Integer(printer.position);
        json.TextMember("name", printer.name);
        json.Key("default");
        json.Bool(printer.isDefault);
        json.TextMember("port", printer.port);
        json.TextMember("driver", printer.driver);
        json.Key("bins");
        json.BeginArray();
        for (const ListedBin& bin : printer.bins) {
            json.BeginObject(true);
            json.Key("number");
            int number = 0;
            const std::string digits = bin.number.value_or("");
            const auto [end, status] =
                std::from_chars(digits.data(), digits.data() + digits.size(), number);
            if (bin.number && status == std::errc() && end == digits.data() + digits.size())
                json.Integer(number);
            else
                json.Null();
            if (bin.name) {
                json.TextMember("name", *bin.name);
            } else {
                json.Key("name");
                json.Null();
            }
            json.EndObject();
        }
        json.EndArray();
        optionalText("error", printer.error);
        json.EndObject();
    }
    json.EndArray();
    json.Key("failed");
    json.Bool(listing.failed);
    json.EndObject();
    return json.Text();
}

} // namespace kevo::tools
