// SPDX-License-Identifier: Apache-2.0
#include "print/DocumentFormat.h"

#include "common/TextQuoting.h"

#include <algorithm>

namespace kevo::tools {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool IsPlainText(std::string_view bytes) {
    if (!bytes.empty() && bytes.back() == '\x1a')
        bytes.remove_suffix(1); // the end mark of DOS text files
    return std::none_of(bytes.begin(), bytes.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != '\r') || byte == 0x7f;
    });
}

// The first bytes in hex, for a document that is nothing known.
std::string HexBytes(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < std::min<std::size_t>(bytes.size(), 8); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text += (i == 0 ? "" : " ");
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text + (bytes.size() > 8 ? " ..." : "");
}

} // namespace

DocumentType RecogniseDocument(std::string_view leading) {
    using namespace std::string_view_literals;
    static const struct {
        std::string_view signature;
        const char* format;
        const char* description;
    } kSignatures[] = {
        {"%PDF-"sv, "application/pdf", "PDF"},
        {"%!"sv, "application/postscript", "PostScript"},
        {"\x04%!"sv, "application/postscript", "PostScript"},
        {"\xc5\xd0\xd3\xc6"sv, "application/postscript", "PostScript (EPS with a preview)"},
        {"\x1b%-12345X"sv, "application/vnd.hp-PCL", "PJL or PCL, a printer language"},
        {"\x1b"
         "E"sv,
         "application/vnd.hp-PCL", "PCL, a printer language"},
        {"\x89PNG\r\n\x1a\n"sv, "image/png", "a PNG image"},
        {"\xff\xd8\xff"sv, "image/jpeg", "a JPEG image"},
        {"GIF87a"sv, "image/gif", "a GIF image"},
        {"GIF89a"sv, "image/gif", "a GIF image"},
        {"II*\0"sv, "image/tiff", "a TIFF image"},
        {"MM\0*"sv, "image/tiff", "a TIFF image"},
        {"RaS2PwgRaster\0"sv, "image/pwg-raster", "PWG raster"},
        {"UNIRAST\0"sv, "image/urf", "Apple raster"},
        {"RaS2"sv, "application/vnd.cups-raster", "CUPS raster"},
        {"RaS3"sv, "application/vnd.cups-raster", "CUPS raster"},
        {"RaSt"sv, "application/vnd.cups-raster", "CUPS raster"},
        {"2SaR"sv, "application/vnd.cups-raster", "CUPS raster"},
        {"3SaR"sv, "application/vnd.cups-raster", "CUPS raster"},
        {"tSaR"sv, "application/vnd.cups-raster", "CUPS raster"},
    };
    for (const auto& known : kSignatures) {
        if (StartsWith(leading, known.signature))
            return {known.format, known.description};
    }
    if (IsPlainText(leading))
        return {"text/plain", "plain text"};
    return {};
}

std::vector<std::string> CommonDocumentFormats() {
    return {"application/pdf", "application/postscript", "text/plain"};
}

FormatChoice ChooseFormat(std::string_view document, std::string_view leading,
                          const std::vector<std::string>& printerFormats,
                          std::string_view printer) {
    const DocumentType type = RecogniseDocument(leading);
    if (type.format.empty())
        return {std::nullopt, std::string(document) + " is no document that can be printed: " +
                                  "it begins with the bytes " + HexBytes(leading) +
                                  ", and is no PDF, PostScript, plain text, printer language or "
                                  "image"};
    if (std::find(printerFormats.begin(), printerFormats.end(), type.format) ==
        printerFormats.end())
        return {std::nullopt, std::string(document) + " is " + type.description + " (" +
                                  type.format + "), which " + QuotedText(printer) +
                                  " does not take"};
    return {type.format, {}};
}

} // namespace kevo::tools
