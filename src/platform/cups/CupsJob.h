// SPDX-License-Identifier: Apache-2.0
#pragma once

// Printing a job over the bounded connection: one job, created held, its
// documents sent, then released, so that a job whose documents did not all
// arrive never prints, and a request that may have reached the scheduler is
// never sent twice.

#include "platform/cups/CupsConnection.h"
#include "platform/cups/CupsMapping.h"

#include <string>
#include <vector>

namespace kevo::platform {

// A document of a job: its name (the job's document-name), a descriptor of
// a regular file holding it, read from its start, and its format (a MIME
// type the queue takes; with "application/octet-stream" the scheduler finds
// it out from the bytes, and may print nothing when it finds nothing).
struct CupsDocument {
    std::string name;
    int fd = -1;
    std::string format = "application/octet-stream";
};

struct CupsJobOutcome {
    enum class Result {
        Printing,   // the job was released: the scheduler prints it
        NotPrinted, // no job was made, or it was cancelled or stays held and cannot print
        Unsure,     // the release was sent, but the scheduler did not answer: the
                    // job may print (once) when it answers again
    };
    Result result = Result::NotPrinted;
    // The job's number, 0 when none is known.
    int jobId = 0;
    // What went wrong and what became of the job, in the program's words;
    // empty when the job was released.
    std::string failure;
};

// Makes one job on the queue named printer with the title and options
// given, holding every document in order. Create-Job (held), Send-Document
// for each document, Release-Job; when a step fails and the scheduler still
// answers, the job is cancelled. Nothing is retried.
CupsJobOutcome PrintJob(CupsConnection& connection, const std::string& printer,
                        const std::string& title, const std::vector<JobOption>& options,
                        const std::vector<CupsDocument>& documents);

} // namespace kevo::platform
