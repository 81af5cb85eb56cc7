// SPDX-License-Identifier: Apache-2.0
#pragma once

// What a document is, told from its first bytes, and the format it is sent
// to the printer with. A document that is none of the types known here is
// refused before a job is made: the scheduler would take it, "complete" the
// job and print nothing.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::tools {

// How many of a document's first bytes tell its type.
inline constexpr std::size_t kLeadingBytes = 4096;

struct DocumentType {
    std::string format;      // the MIME type; empty when none is recognised
    std::string description; // for people: "PDF", "a PNG image", ...
};

// The type of a document that begins with these bytes (all of it when it is
// shorter than kLeadingBytes): PDF, PostScript, PCL or PJL, PNG, JPEG, GIF,
// TIFF, PWG and Apple raster, CUPS raster by their signatures; plain text
// when no byte is a control character but tab, line and form feed, carriage
// return and a Ctrl-Z at the end (bytes from 128 up are the text's code
// page or UTF-8).
DocumentType RecogniseDocument(std::string_view leading);

// The formats a printer takes when the printing service cannot tell.
std::vector<std::string> CommonDocumentFormats();

// The format to send a document of this type with: its own, when the
// printer's formats list it. Otherwise nothing, and problem says why, naming
// the document ("letter.bin", quoted by the caller), what it was found to be
// (or its first bytes) and the printer.
struct FormatChoice {
    std::optional<std::string> format;
    std::string problem;
};
FormatChoice ChooseFormat(std::string_view document, std::string_view leading,
                          const std::vector<std::string>& printerFormats, std::string_view printer);

} // namespace kevo::tools
