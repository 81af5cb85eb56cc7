// SPDX-License-Identifier: Apache-2.0
#pragma once

// The printer's PPD: fetched from the scheduler and read for its paper
// sources. The only part of the program that uses libcups' PPD functions.

#include "platform/cups/CupsConnection.h"

#include <string>
#include <vector>

namespace kevo::platform {

struct PpdSources {
    enum class Outcome {
        Read,   // the PPD was fetched and parsed
        NoPpd,  // the queue has no PPD (a raw queue or one without a driver)
        Failed, // the PPD could not be fetched or parsed
    };
    Outcome outcome = Outcome::Failed;
    // The texts of the InputSlot choices in PPD order, as the PPD gives them
    // (blanks kept, at most 80 bytes), in UTF-8 whatever the PPD's
    // *LanguageEncoding.
    std::vector<std::string> inputSlotTexts;
    // The PPD has a ManualFeed option with a "True" choice.
    bool hasManualFeed = false;
    // What a print job names them by: the InputSlot choice keywords in the
    // same order, and the default choice's keyword when the PPD's default is
    // one of its choices (empty otherwise, "Unknown" for example).
    std::vector<std::string> inputSlotKeywords;
    std::string defaultInputSlot;
    // The PPD names no filter of its own (no *cupsFilter or *cupsFilter2):
    // the printer takes PostScript, made by the scheduler's PostScript filter.
    bool postScript = false;
};

// Fetches "<queueResource>.ppd" (queueResource as "/printers/NAME", not
// percent-encoded) over the connection and reads its paper sources. The
// scheduler serves the PPD of each of its queues there; fetching it over our
// own connection keeps the wait bounded, where cupsGetPPD3 would open a
// second, unbounded connection of its own. The temporary copy of the PPD is
// deleted before this returns.
PpdSources FetchPpdSources(CupsConnection& connection, const std::string& queueResource);

// The paper sources of a PPD file.
PpdSources ReadPpdSources(const std::string& path);

} // namespace kevo::platform
