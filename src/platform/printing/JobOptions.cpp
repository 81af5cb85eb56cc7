// SPDX-License-Identifier: Apache-2.0
#include "platform/printing/JobOptions.h"

namespace kevo::platform {

BinRequest RequestOfBin(std::uint16_t number, const QueueSources& queue) {
    BinRequest request;
    if (number == kAutoSelectBinNumber || number == kDefaultBinNumber) {
        request.kind = BinRequest::Kind::PrinterChoice;
    } else if (number == kManualFeedBinNumber) {
        if (queue.hasPpd && queue.hasManualFeed)
            request.kind = BinRequest::Kind::ManualFeed;
    } else if (number >= kFirstSlotBinNumber &&
               static_cast<std::size_t>(number - kFirstSlotBinNumber) < queue.slotKeywords.size()) {
        request.kind = BinRequest::Kind::Slot;
        request.slot = number - kFirstSlotBinNumber;
    }
    return request;
}

std::vector<JobOption> BinOptions(const BinRequest& bin, const QueueSources& queue) {
    switch (bin.kind) {
    case BinRequest::Kind::Slot:
        return {{queue.hasPpd ? "InputSlot" : "media-source", queue.slotKeywords[bin.slot]}};
    case BinRequest::Kind::ManualFeed:
        return {{"ManualFeed", "True"}};
    case BinRequest::Kind::PrinterChoice:
    case BinRequest::Kind::Unknown:
        break;
    }
    return {};
}

FirstPageOptions FirstPageApartOptions(const BinRequest& first, const BinRequest& others,
                                       const QueueSources& queue) {
    using Kind = BinRequest::Kind;
    const auto choice = [](BinRequest bin) {
        if (bin.kind == Kind::Unknown)
            bin = {Kind::PrinterChoice, 0};
        return bin;
    };
    const BinRequest head = choice(first);
    const BinRequest rest = choice(others);
    FirstPageOptions result;
    if (head == rest) {
        result.options = BinOptions(head, queue);
        return result;
    }
    if (!queue.hasPpd) {
        result.problem = "the printer has no PPD, and without one the scheduler cannot take the "
                         "first page from another paper source than the others";
        return result;
    }
    if (!queue.postScript) {
        result.problem = "the printer's PPD names a driver of its own, and only PostScript "
                         "printers take the first page from another paper source than the others";
        return result;
    }
    // The filter gives the second page the job's own tray, or the PPD's
    // default where the job names none; without a default tray the second
    // page would stay on the first page's tray.
    if (head.kind == Kind::Slot && rest.kind == Kind::PrinterChoice && queue.defaultSlot.empty()) {
        result.problem = "the PPD names no default paper source for the pages after the first";
        return result;
    }
    result.options = BinOptions(rest, queue);
    switch (head.kind) {
    case Kind::Slot:
        result.options.push_back({"AP_FIRSTPAGE_InputSlot", queue.slotKeywords[head.slot]});
        break;
    case Kind::ManualFeed:
        result.options.push_back({"AP_FIRSTPAGE_ManualFeed", "True"});
        break;
    case Kind::PrinterChoice:
    case Kind::Unknown:
        if (rest.kind == Kind::ManualFeed) {
            result.options.push_back({"AP_FIRSTPAGE_ManualFeed", "False"});
        } else if (!queue.defaultSlot.empty()) {
            result.options.push_back({"AP_FIRSTPAGE_InputSlot", queue.defaultSlot});
        } else {
            result.options.clear();
            result.problem = "the PPD names no default paper source for the first page";
        }
        break;
    }
    return result;
}

} // namespace kevo::platform
