// SPDX-License-Identifier: Apache-2.0
#include "platform/cups/CupsJob.h"

#include <cups/cups.h>

namespace kevo::platform {

namespace {

// The queue as requests name it: its URI ("ipp://localhost/printers/NAME",
// the name percent-encoded, as libcups names it) and the HTTP resource
// that requests about it go to ("/printers/NAME", encoded alike).
struct QueueAddress {
    std::string uri;
    std::string resource;
};

QueueAddress AddressOf(const std::string& printer) {
    QueueAddress address;
    char uri[HTTP_MAX_URI];
    if (httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                         "/printers/%s", printer.c_str()) < HTTP_URI_STATUS_OK) {
        return address;
    }
    char scheme[32];
    char userpass[256];
    char host[HTTP_MAX_HOST];
    char resource[HTTP_MAX_URI];
    int port = 0;
    if (httpSeparateURI(HTTP_URI_CODING_NONE, uri, scheme, sizeof scheme, userpass, sizeof userpass,
                        host, sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK) {
        return address;
    }
    address.uri = uri;
    address.resource = resource;
    return address;
}

ipp_t* JobRequest(ipp_op_t operation, const QueueAddress& queue, int jobId) {
    ipp_t* request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 queue.uri.c_str());
    if (jobId > 0)
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    return request;
}

// Sends a request about the job; true when the scheduler answered success.
bool JobStep(CupsConnection& connection, ipp_t* request, const QueueAddress& queue, int fd = -1) {
    ipp_t* response = connection.RequestWithFile(request, queue.resource, fd);
    if (response == nullptr)
        return false;
    ippDelete(response);
    return true;
}

// Takes back a job that must not print, where the scheduler still answers.
std::string Withdraw(CupsConnection& connection, const QueueAddress& queue,
                     const std::string& printer, int jobId) {
    const std::string job = "Job " + std::to_string(jobId);
    if (!connection.GaveUp() &&
        JobStep(connection, JobRequest(IPP_OP_CANCEL_JOB, queue, jobId), queue)) {
        return " " + job + " was cancelled.";
    }
    return " " + job + " is held and cannot print; remove it with \"cancel " + printer + "-" +
           std::to_string(jobId) + "\".";
}

} // namespace

CupsJobOutcome PrintJob(CupsConnection& connection, const std::string& printer,
                        const std::string& title, const std::vector<JobOption>& options,
                        const std::vector<CupsDocument>& documents) {
    CupsJobOutcome outcome;
    const QueueAddress queue = AddressOf(printer);
    if (queue.uri.empty()) {
        outcome.failure = "The printer name \"" + printer + "\" cannot be made into a URI.";
        return outcome;
    }

    // Held until every document is there: a job that lacks some never prints.
    ipp_t* create = JobRequest(IPP_OP_CREATE_JOB, queue, 0);
    ippAddString(create, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
    cups_option_t* encoded = nullptr;
    int count = 0;
    for (const JobOption& option : options)
        count = cupsAddOption(option.name.c_str(), option.value.c_str(), count, &encoded);
    count = cupsAddOption("job-hold-until", "indefinite", count, &encoded);
    cupsEncodeOptions2(create, count, encoded, IPP_TAG_OPERATION);
    cupsEncodeOptions2(create, count, encoded, IPP_TAG_JOB);
    cupsFreeOptions(count, encoded);
    ipp_t* created = connection.RequestWithFile(create, queue.resource, -1);
    if (created == nullptr) {
        outcome.failure = connection.FailureText();
        outcome.failure += connection.Failure() == CupsFailure::NoAnswer
                               ? " If the job was made before that, it is held without "
                                 "documents and cannot print."
                               : " No job was made.";
        return outcome;
    }
    outcome.jobId = ippGetInteger(ippFindAttribute(created, "job-id", IPP_TAG_INTEGER), 0);
    ippDelete(created);
    if (outcome.jobId <= 0) {
        outcome.jobId = 0;
        outcome.failure = "The printing service made a job without a number.";
        return outcome;
    }

    for (std::size_t i = 0; i < documents.size(); ++i) {
        ipp_t* send = JobRequest(IPP_OP_SEND_DOCUMENT, queue, outcome.jobId);
        ippAddString(send, IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", nullptr,
                     documents[i].name.c_str());
        ippAddString(send, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
                     documents[i].format.c_str());
        ippAddBoolean(send, IPP_TAG_OPERATION, "last-document", i + 1 == documents.size());
        if (!JobStep(connection, send, queue, documents[i].fd)) {
            outcome.failure =
                connection.FailureText() + Withdraw(connection, queue, printer, outcome.jobId);
            return outcome;
        }
    }

    if (!JobStep(connection, JobRequest(IPP_OP_RELEASE_JOB, queue, outcome.jobId), queue)) {
        outcome.failure = connection.FailureText();
        if (connection.Failure() == CupsFailure::NoAnswer) {
            // The release may have been carried out: sending anything again
            // could print the job twice.
            outcome.result = CupsJobOutcome::Result::Unsure;
            outcome.failure += " Job " + std::to_string(outcome.jobId) +
                               " may still print, once, when the printing service answers "
                               "again; it is not sent again.";
        } else {
            outcome.failure += Withdraw(connection, queue, printer, outcome.jobId);
        }
        return outcome;
    }
    outcome.result = CupsJobOutcome::Result::Printing;
    return outcome;
}

} // namespace kevo::platform
