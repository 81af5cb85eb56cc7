// SPDX-License-Identifier: Apache-2.0
#pragma once

// How a setup line's bin numbers become what a print job asks of a queue:
// the printer's own choice, one of its paper sources, or its manual feed.
// Plain functions over the queue's sources, shared by the commands that
// print and the check that says which lines can be printed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::platform {

// Bin numbers as Windows' PostScript driver numbers a PPD's paper sources
// (DMBIN_AUTO 15, DMBIN_MANUAL 4, then DMBIN_USER 256 and up), so that a setup
// file written on either system names the same bins.
inline constexpr std::uint16_t kAutoSelectBinNumber = 15; // "Automatically Select"
inline constexpr std::uint16_t kManualFeedBinNumber = 4;  // "Manual Feed"
inline constexpr std::uint16_t kFirstSlotBinNumber = 256; // first paper source, then 257, ...
// The stand-in bin, the single bin that a printer without bins (or whose
// bins cannot be counted) shows: the printer's own choice.
inline constexpr std::uint16_t kDefaultBinNumber = 7;
inline constexpr std::string_view kDefaultBinName = "Default";

inline constexpr std::string_view kAutoSelectBinName = "Automatically Select";
inline constexpr std::string_view kManualFeedBinName = "Manual Feed";

// The way back from a bin number to what a print job asks of the queue.

// A queue's paper sources as print jobs name them.
struct QueueSources {
    // With a PPD the sources are its InputSlot choices and its ManualFeed
    // switch; without one, the values of the queue's media-source-supported.
    bool hasPpd = false;
    // The bins 256, 257, ... in order: the InputSlot choice keywords, or the
    // media-source values.
    std::vector<std::string> slotKeywords;
    // The PPD's ManualFeed option has a "True" choice: bin 4.
    bool hasManualFeed = false;
    // The PPD's default InputSlot choice, when its default is one of them.
    std::string defaultSlot;
    // The printer takes what the scheduler's PostScript filter makes (a PPD
    // without filters of its own). That filter alone can take the first page
    // of a document from another tray than the others.
    bool postScript = false;
};

// What a bin number asks of a queue: the inverse of MakeBins.
struct BinRequest {
    enum class Kind {
        PrinterChoice, // 15 "Automatically Select" or 7 "Default": no option
        Slot,          // 256 + slot: that paper source
        ManualFeed,    // 4, where the PPD has a manual feed switch
        Unknown,       // none of the queue's bins
    };
    Kind kind = Kind::Unknown;
    std::size_t slot = 0;
    bool operator==(const BinRequest&) const = default;
};
BinRequest RequestOfBin(std::uint16_t number, const QueueSources& queue);

// One option of a print job, as a CUPS client names it ("InputSlot", "Tray2").
struct JobOption {
    std::string name;
    std::string value;
    bool operator==(const JobOption&) const = default;
};

// The options that take every page from one bin: InputSlot=KEYWORD or
// ManualFeed=True with a PPD, media-source=VALUE without; none for the
// printer's own choice (and for an unknown bin).
std::vector<JobOption> BinOptions(const BinRequest& bin, const QueueSources& queue);

struct FirstPageOptions {
    std::vector<JobOption> options;
    // Why the queue cannot take the first page from one bin and the others
    // from another; empty when it can.
    std::string problem;
};

// The options of one job that takes the first page of each document from
// `first` and every other page from `others`: the others' options for the
// whole job, and the first page's as the PostScript filter's first-page
// options (AP_FIRSTPAGE_InputSlot, AP_FIRSTPAGE_ManualFeed), which that
// filter writes into the first page's setup and undoes on the second page.
// The printer's own choice for one of the two is its PPD's default tray
// (none is needed beside a manual feed). Equal bins give BinOptions(first);
// an unknown bin counts as the printer's choice.
FirstPageOptions FirstPageApartOptions(const BinRequest& first, const BinRequest& others,
                                       const QueueSources& queue);

} // namespace kevo::platform
