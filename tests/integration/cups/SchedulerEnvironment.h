// SPDX-License-Identifier: Apache-2.0
#pragma once

// The private scheduler of this test process, holding the test printers.

#include "PrivateScheduler.h"
#include "platform/cups/CupsPrintingService.h"
#include "platform/printing/CachingPrintingService.h"

#include <filesystem>
#include <memory>
#include <string>

namespace kevo::test {

// The test printers, as the scheduler holds them once Scheduler() has run.
namespace printers {
inline constexpr const char* kLongNames = "Kevo_Long";    // kevo-long-names.ppd
inline constexpr const char* kBlankPadded = "kevo_blank"; // kevo-blank-padded.ppd
inline constexpr const char* kCaseVariants = "KEVO_Case"; // kevo-case-variants.ppd
inline constexpr const char* kUtf8 = "B\xC3\xBCro";       // "Büro", kevo-utf8.ppd
inline constexpr const char* kNoSlots = "NoSlots";        // kevo-no-slots.ppd
inline constexpr const char* kManualFeed = "Manual";      // kevo-manual-feed.ppd
inline constexpr const char* kBroken = "Broken";          // a PPD that cannot be parsed
inline constexpr const char* kRaw = "Raw";                // a raw queue, no PPD
inline constexpr const char* kSample = "Sample";          // the sample laserjet driver
inline constexpr const char* kClass = "Team";             // class of kManualFeed, kNoSlots
} // namespace printers

// The scheduler of this process with the test printers, started at the
// first call and stopped when the process ends.
PrivateScheduler& Scheduler();

// Scheduler() with the printer of the system's sample laserjet driver too:
// adding it takes half a second, so only the tests that need it ask for it.
PrivateScheduler& WithSamplePrinter();

// The CUPS service as the program uses it: under the cache that keeps every
// printer's answers for the run.
class CachedCupsService : public platform::CachingPrintingService {
public:
    explicit CachedCupsService(platform::CupsServiceOptions options = {})
        : CachingPrintingService(std::make_unique<platform::CupsPrintingService>(options)) {}
    platform::CupsPrintingService& Cups() {
        return static_cast<platform::CupsPrintingService&>(Inner());
    }
};

// A PPD of the test data.
std::filesystem::path TestPpd(const std::string& file);

} // namespace kevo::test
