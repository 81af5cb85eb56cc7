// SPDX-License-Identifier: Apache-2.0
#pragma once

// One connection to the CUPS scheduler whose every wait is bounded. libcups'
// own default connection waits 60 to 180 seconds per call for a scheduler
// that accepts connections but never answers (a frozen or overloaded one);
// this connection gives up after its timeout instead, and from then on fails
// every request at once until Retry(), so that a dead scheduler costs one
// timeout per command of the user's, not one per query.

#include <cups/cups.h>

#include <chrono>
#include <functional>
#include <string>

namespace kevo::platform {

// Why the last request failed.
enum class CupsFailure {
    None,
    Unreachable, // no scheduler listens at the address, or it went away
    NoAnswer,    // the scheduler did not answer within the timeout
    Refused,     // the scheduler answered with an error status
};

class CupsConnection {
public:
    // server: a host name or address with an optional ":port", or the path of
    // a local socket, as cupsServer() gives it; port: the port to use when
    // the server names none.
    CupsConnection(std::string server, int port, std::chrono::milliseconds timeout);
    ~CupsConnection();

    CupsConnection(const CupsConnection&) = delete;
    CupsConnection& operator=(const CupsConnection&) = delete;

    // Sends an IPP request (always consumed) to a resource such as "/" or
    // "/printers/NAME" and gives the response, which the caller frees with
    // ippDelete. nullptr when the request failed; Failure() tells why. An
    // error status from the scheduler also gives nullptr (CupsFailure::Refused).
    // For questions only, which may be asked twice: a connection that the
    // scheduler drops before it answers is made again a moment later, as
    // for GetFile and DefaultDestination (see DroppedAtOnce).
    ipp_t* Request(ipp_t* request, const std::string& resource);

    // The same with the bytes of an open file after the request (a
    // document): a regular file whole from its start, anything else from
    // where it stands to its end. A request that failed is not sent again,
    // since it may have reached the scheduler; only one that the scheduler
    // turned away for authentication is (as libcups does for every request).
    ipp_t* RequestWithFile(ipp_t* request, const std::string& resource, int fd);

    // Fetches a file (an HTTP GET of resource) into the open descriptor fd.
    // Gives the HTTP status; HTTP_STATUS_ERROR when the transfer failed.
    http_status_t GetFile(const std::string& resource, int fd);

    // The user's default destination as libcups works it out (LPDEST or
    // PRINTER, ~/.cups/lpoptions, the system lpoptions, the scheduler's
    // default), asked over this connection; the caller frees it with
    // cupsFreeDests(1, dest). nullptr when there is none or the request
    // failed: libcups reports both as "not found", so only GaveUp() tells
    // them apart, and only for a scheduler that cannot be reached.
    cups_dest_t* DefaultDestination();

    // Connects now, unless connected or given up, so that the first request
    // does not wait for it. True when connected.
    bool Open();
    // Whether a question that a new connection was dropped for is asked
    // again (see DroppedAtOnce); yes unless told otherwise, as for a side
    // connection whose failures are asked again over another.
    void AskAgainWhenDropped(bool again) { askAgainWhenDropped_ = again; }

    // Closes the connection, so that the scheduler may count it gone; the
    // next request connects again.
    void Close();

    // True once the scheduler could not be reached or did not answer: every
    // later request fails at once with the same failure, until Retry().
    bool GaveUp() const { return gaveUp_; }

    // Gives the scheduler up after another connection to it met this
    // failure (Unreachable or NoAnswer, with libcups' status), so that a
    // scheduler that stopped answering costs one wait however many
    // connections ask it. Does nothing for other failures.
    void GiveUpAfter(CupsFailure failure, int status);

    // Tries the scheduler again at the next request after it was given up: a
    // new connection is made, since the old one may still carry the answer
    // to a request that timed out. Does nothing while the scheduler is not
    // given up.
    void Retry();

    CupsFailure Failure() const { return failure_; }
    // The status that libcups reported for the last failure (an ipp_status_t).
    int FailureStatus() const { return failureStatus_; }
    // A sentence in the program's own words that describes the last failure.
    std::string FailureText() const;

    // Where the scheduler is: "host:port" or the socket path.
    const std::string& Address() const { return address_; }

    // How many connections to schedulers this process has open, and the
    // most it had open at once (since the last ResetMostOpen()).
    static int OpenCount();
    static int MostOpenAtOnce();
    static void ResetMostOpen();

private:
    http_t* Connect();
    // Whether the last question failed because the scheduler dropped the
    // connection (made, then closed or reset before the answer; not a
    // timeout): one that limits the connections of a client
    // (MaxClientsPerHost) turns a new one away while it still counts one
    // that the client has just closed (libcups closes a connection after an
    // answer without a body, and connects again by itself). Then the
    // failure is forgotten, the connection closed, and true is given after
    // a pause that grows with `attempt` (1, 2), so that the question is
    // asked again on a new connection; false from the third attempt on, and
    // for every other failure.
    bool DroppedAtOnce(int attempt);
    // Connects and asks (`ask` tells whether an answer came), again on a new
    // connection while the scheduler drops it and `mayAskAgain` allows.
    // False without an answer, the failure recorded.
    bool AskWhileDropped(const std::function<bool(http_t*)>& ask,
                         const std::function<bool()>& mayAskAgain);
    void RecordFailure(CupsFailure failure, int status);
    void RecordTransportFailure();
    static int OnTimeout(http_t* http, void* self);

    std::string address_;
    std::string host_;
    int port_;
    std::chrono::milliseconds timeout_;
    http_t* http_ = nullptr;
    bool askAgainWhenDropped_ = true;
    bool timedOut_ = false;
    bool gaveUp_ = false;
    CupsFailure failure_ = CupsFailure::None;
    int failureStatus_ = 0;
};

} // namespace kevo::platform
