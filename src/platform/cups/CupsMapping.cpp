// SPDX-License-Identifier: Apache-2.0
#include "platform/cups/CupsMapping.h"

#include "platform/text/TextCoding.h"

#include <algorithm>
#include <limits>

namespace kevo::platform {

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

BinNameField MakeBinNameField(std::string_view text) {
    const std::string cut = CutToCharacters(Trim(text), kBinNameFieldLength);
    return BinNameFieldOf(Trim(cut));
}

std::string BinNameText(const BinNameField& field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return std::string(field.begin(), end);
}

std::vector<Bin> MakeBins(const std::vector<std::string>& sourceTexts, bool hasManualFeed) {
    std::vector<Bin> bins;
    bins.push_back({MakeBinNameField(kAutoSelectBinName), kAutoSelectBinNumber});
    // Numbers are 16 bits: a source list too long to number is cut there.
    const std::size_t room = std::numeric_limits<std::uint16_t>::max() - kFirstSlotBinNumber + 1;
    const std::size_t count = std::min(sourceTexts.size(), room);
    for (std::size_t i = 0; i < count; ++i) {
        bins.push_back({MakeBinNameField(sourceTexts[i]),
                        static_cast<std::uint16_t>(kFirstSlotBinNumber + i)});
    }
    if (hasManualFeed)
        bins.push_back({MakeBinNameField(kManualFeedBinName), kManualFeedBinNumber});
    return bins;
}

std::string StripUriCredentials(std::string_view uri) {
    const std::size_t schemeEnd = uri.find("://");
    if (schemeEnd == std::string_view::npos)
        return std::string(uri);
    const std::size_t authorityStart = schemeEnd + 3;
    std::size_t authorityEnd = uri.find_first_of("/?#", authorityStart);
    if (authorityEnd == std::string_view::npos)
        authorityEnd = uri.size();
    const std::string_view authority = uri.substr(authorityStart, authorityEnd - authorityStart);
    // The user information ends at the last "@" of the authority: a password
    // may itself hold an unencoded "@".
    const std::size_t at = authority.rfind('@');
    if (at == std::string_view::npos)
        return std::string(uri);
    std::string stripped(uri.substr(0, authorityStart));
    stripped.append(uri.substr(authorityStart + at + 1));
    return stripped;
}

std::string DriverName(std::string_view makeAndModel) {
    return std::string(makeAndModel.substr(0, makeAndModel.find(',')));
}

DevicesValue DevicesValueOf(std::string_view makeAndModel, std::string_view deviceUri) {
    return {DriverName(makeAndModel), StripUriCredentials(deviceUri)};
}

std::string FoldPrinterName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

} // namespace kevo::platform
