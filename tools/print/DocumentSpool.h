// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/cups/CupsJob.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace kevo::tools {

// The documents of a job, each read whole into a temporary file before the
// job is made, so that a file that cannot be read, or standard input that
// breaks off with an error, stops the print before anything reaches the
// printing service. The temporary files have no name and go with the spool.
class DocumentSpool {
public:
    DocumentSpool() = default;
    ~DocumentSpool();
    DocumentSpool(const DocumentSpool&) = delete;
    DocumentSpool& operator=(const DocumentSpool&) = delete;

    // Reads the file, or standard input for "-". False, with Error() saying
    // why, when it cannot be read, is empty or a folder, or the copy cannot
    // be written.
    bool Add(const std::string& file);

    const std::vector<platform::CupsDocument>& Documents() const { return documents_; }
    // The first bytes of each document (kLeadingBytes, DocumentFormat.h),
    // which tell its type; and the format it is to be sent with.
    const std::vector<std::string>& LeadingBytes() const { return leading_; }
    void SetFormat(std::size_t document, std::string format) {
        documents_[document].format = std::move(format);
    }
    const std::string& Error() const { return error_; }

private:
    std::vector<platform::CupsDocument> documents_;
    std::vector<std::string> leading_;
    std::string error_;
};

// The document name that a file is printed under: its last path component,
// "standard input" for "-".
std::string DocumentName(const std::string& file);

} // namespace kevo::tools
