// SPDX-License-Identifier: Apache-2.0
#include "common/PrintRule.h"

#include "common/TextQuoting.h"
#include "platform/text/TextCoding.h"

#include <limits>

namespace kevo::tools {

// A bin number cell as a number: decimal digits only, at most 65535.
std::optional<std::uint16_t> BinNumber(std::string_view text) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > std::numeric_limits<std::uint16_t>::max())
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::vector<PagePlan> PagePlans(const SetupLine& line) {
    if (!line.UsesSecondTray())
        return {{"1-", line.firstPage.number, line.firstPage.name, std::nullopt}};
    return {{"1", line.firstPage.number, line.firstPage.name, std::nullopt},
            {"2-", line.otherPages.number, line.otherPages.name, std::nullopt}};
}

const SetupLine* FindNamedLine(const std::vector<SetupLine>& lines, std::string_view name) {
    for (const SetupLine& line : lines) {
        if (platform::SameTextIgnoringCase(line.name, name))
            return &line;
    }
    return nullptr;
}

PrintPlan MakePrintPlan(const SetupLine& line, const std::optional<platform::QueueSources>& sources,
                        bool force) {
    PrintPlan plan;
    plan.line = line;
    plan.pages = PagePlans(line);
    if (!sources)
        return plan;

    std::vector<platform::BinRequest> requests;
    for (std::size_t i = 0; i < plan.pages.size(); ++i) {
        PagePlan& pages = plan.pages[i];
        const auto number = BinNumber(pages.bin);
        platform::BinRequest request;
        if (number)
            request = platform::RequestOfBin(*number, *sources);
        if (request.kind == platform::BinRequest::Kind::Unknown) {
            const std::string what = "Source " + std::to_string(i + 1) + " (bin " +
                                     QuotedText(pages.bin) + " " + QuotedText(pages.binName) +
                                     ") is none of the paper sources of " +
                                     QuotedText(line.printer);
            if (!force) {
                plan.problem = what;
                return plan;
            }
            plan.warnings.push_back(what + ": the printer chooses instead");
            request.kind = platform::BinRequest::Kind::PrinterChoice;
        }
        pages.options = platform::BinOptions(request, *sources);
        requests.push_back(request);
    }
    if (requests.size() == 1) {
        plan.jobOptions = platform::BinOptions(requests.front(), *sources);
        return plan;
    }
    platform::FirstPageOptions job =
        platform::FirstPageApartOptions(requests[0], requests[1], *sources);
    if (!job.problem.empty()) {
        plan.problem = QuotedText(line.printer) + " cannot take the first page from another " +
                       "paper source than the others: " + job.problem;
        return plan;
    }
    plan.jobOptions = std::move(job.options);
    return plan;
}

} // namespace kevo::tools
