// SPDX-License-Identifier: Apache-2.0
// The cost of the printer catalogue on CUPS as the consistency check uses
// it: a private scheduler with 50 printers; the catalogue is built (printer
// list, default printer, its bins) and then follows 99 configuration lines
// that alternate between 20 of the printers, so that every line selects a
// printer (four bin queries and the Devices value). Goal: under 150 ms for
// all of it, and one PPD fetch per distinct printer.
//
// Each iteration starts from a new service, so every PPD is fetched again.

#include "PrivateScheduler.h"
#include "platform/cups/CupsPrintingService.h"
#include "platform/printing/CachingPrintingService.h"
#include "printsetup/PrinterCatalogue.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using kevo::platform::CachingPrintingService;
using kevo::platform::CupsPrintingService;
using kevo::printsetup::PrinterCatalogue;

constexpr int kPrinters = 50;
constexpr int kLinePrinters = 20;
constexpr int kLines = 99;

const char* const kPpds[] = {
    "kevo-long-names.ppd", "kevo-blank-padded.ppd", "kevo-case-variants.ppd",
    "kevo-utf8.ppd",       "kevo-no-slots.ppd",     "kevo-manual-feed.ppd",
};

std::string PrinterName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "Bench%02d", index + 1);
    return name;
}

// The printer of each line: 20 printers spread over the 50, in turn.
std::vector<std::string> LinePrinters() {
    std::vector<std::string> lines;
    for (int line = 0; line < kLines; ++line)
        lines.push_back(PrinterName((line % kLinePrinters) * kPrinters / kLinePrinters));
    return lines;
}

// The catalogue as the program builds it (the CUPS service behind the
// caching decorator), then the line walk of the consistency check: select a
// line's printer only when it differs from the selected one.
void BM_CatalogueCheck(benchmark::State& state) {
    const std::vector<std::string> lines = LinePrinters();
    const std::set<std::string> distinct(lines.begin(), lines.end());
    double fetches = 0;
    for (auto _ : state) {
        auto cups = std::make_unique<CupsPrintingService>();
        CupsPrintingService& inner = *cups;
        CachingPrintingService service(std::move(cups));
        kevo::printers::InstalledPrinters printers(service);
        PrinterCatalogue catalogue(printers);
        catalogue.FormCreate();
        for (const std::string& printer : lines) {
            const int position = catalogue.FindPrinter(printer);
            if (position != catalogue.SelectedPosition()) {
                catalogue.SetSelectedPosition(position);
                catalogue.cboPrintersChange();
            }
            benchmark::DoNotOptimize(catalogue.cboTray1Num().items.size());
        }
        if (catalogue.cboPrinters().items.size() != kPrinters) {
            state.SkipWithError("the catalogue does not hold the 50 printers");
            break;
        }
        if (inner.PpdFetchCount() != static_cast<int>(distinct.size())) {
            state.SkipWithError("a PPD was fetched more than once");
            break;
        }
        fetches += inner.PpdFetchCount();
    }
    state.counters["ppd_fetches"] = benchmark::Counter(fetches, benchmark::Counter::kAvgIterations);
    state.counters["distinct_printers"] = static_cast<double>(distinct.size());
}
BENCHMARK(BM_CatalogueCheck)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same queries straight to the CUPS service, without catalogue and
// cache: a line whose printer is not the previous line's fetches its PPD
// again, which is what the cache above the service saves.
void BM_ServiceQueries(benchmark::State& state) {
    const std::vector<std::string> lines = LinePrinters();
    const std::set<std::string> distinct(lines.begin(), lines.end());
    double fetches = 0;
    for (auto _ : state) {
        CupsPrintingService service;
        benchmark::DoNotOptimize(service.EnumPrinters());
        benchmark::DoNotOptimize(service.DefaultPrinter());
        for (const std::string& printer : lines) {
            std::vector<kevo::platform::BinNameField> names;
            std::vector<std::uint16_t> numbers;
            service.BinNameCount(printer, "");
            service.BinNames(printer, "", names);
            service.BinNumberCount(printer, "");
            service.BinNumbers(printer, "", numbers);
            benchmark::DoNotOptimize(service.ProfileDevicesValue(printer));
        }
        fetches += service.PpdFetchCount();
    }
    state.counters["ppd_fetches"] = benchmark::Counter(fetches, benchmark::Counter::kAvgIterations);
    state.counters["distinct_printers"] = static_cast<double>(distinct.size());
}
BENCHMARK(BM_ServiceQueries)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // The scheduler comes first: libcups reads the client environment at its
    // first call.
    kevo::test::PrivateScheduler scheduler;
    try {
        scheduler.Start();
        for (int i = 0; i < kPrinters; ++i) {
            const auto ppd = std::string(KEVO_TEST_PPD_DIR) + "/" + kPpds[i % std::size(kPpds)];
            scheduler.AddPrinter(PrinterName(i), ppd, "socket://192.0.2.1:9100");
        }
        scheduler.SetServerDefault(LinePrinters().front());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot set up the private scheduler: %s\n", error.what());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
