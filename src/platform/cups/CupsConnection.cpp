// SPDX-License-Identifier: Apache-2.0
#include "platform/cups/CupsConnection.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <functional>
#include <utility>

#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kevo::platform {

namespace {

// libcups writes to its socket without MSG_NOSIGNAL, so a scheduler that
// closes the connection between two requests could end the whole program
// with SIGPIPE. The signal is blocked in this thread while libcups runs, a
// SIGPIPE raised meanwhile is taken off the queue, and the old mask comes
// back; the failed write itself shows as an error status.
class SigpipeGuard {
public:
    SigpipeGuard() {
        sigset_t pipeOnly;
        sigemptyset(&pipeOnly);
        sigaddset(&pipeOnly, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipeOnly, &oldMask_);
    }
    ~SigpipeGuard() {
        if (!wasPending_) {
            sigset_t pipeOnly;
            sigemptyset(&pipeOnly);
            sigaddset(&pipeOnly, SIGPIPE);
            const timespec now{0, 0};
            while (sigtimedwait(&pipeOnly, nullptr, &now) == SIGPIPE) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t oldMask_{};
    bool wasPending_ = false;
};

// The service never needs a password. libcups' own way of asking for one
// reads the terminal, which would block the program; answering "none"
// makes a scheduler that demands one refuse the request instead.
const char* NoPassword(const char* /*prompt*/, http_t* /*http*/, const char* /*method*/,
                       const char* /*resource*/, void* /*data*/) {
    return nullptr;
}

// Whether the scheduler has closed a kept connection: it was restarted, or
// it ends connections that stay idle. Nothing is due on an idle connection,
// so anything readable on it (the end of the stream, an error, stray bytes)
// means it cannot carry another request.
bool ClosedByPeer(http_t* http) {
    const int fd = httpGetFd(http);
    if (fd < 0)
        return true;
    char byte = 0;
    const ssize_t got = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return !(got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR));
}

// Connections open in this process, and the most at once.
std::atomic<int> g_open{0};
std::atomic<int> g_mostOpen{0};

std::string AddressOf(const std::string& host, int port) {
    if (!host.empty() && host.front() == '/')
        return host;
    return host + ":" + std::to_string(port);
}

} // namespace

CupsConnection::CupsConnection(std::string server, int port, std::chrono::milliseconds timeout)
    : address_(AddressOf(server, port)), host_(std::move(server)), port_(port), timeout_(timeout) {}

CupsConnection::~CupsConnection() {
    Close();
}

void CupsConnection::Close() {
    if (http_ == nullptr)
        return;
    SigpipeGuard guard;
    httpClose(http_);
    http_ = nullptr;
    --g_open;
}

int CupsConnection::OpenCount() {
    return g_open;
}

int CupsConnection::MostOpenAtOnce() {
    return g_mostOpen;
}

void CupsConnection::ResetMostOpen() {
    g_mostOpen = g_open.load();
}

int CupsConnection::OnTimeout(http_t* /*http*/, void* self) {
    // Returning 0 makes libcups give up the wait instead of waiting again.
    static_cast<CupsConnection*>(self)->timedOut_ = true;
    return 0;
}

http_t* CupsConnection::Connect() {
    // Set in every thread that asks: libcups keeps the callback per thread,
    // and a connection made in one thread may be used in another later.
    cupsSetPasswordCB2(NoPassword, nullptr);
    if (gaveUp_)
        return nullptr;
    if (http_ != nullptr) {
        if (!ClosedByPeer(http_))
            return http_;
        // libcups reconnects by itself for IPP requests, but a file fetch
        // (cupsGetFd) fails on the dead connection, and the failure would
        // give up a scheduler that is back. A new connection reaches it.
        Close();
    }
    const int msec = static_cast<int>(timeout_.count());
    http_ =
        httpConnect2(host_.c_str(), port_, nullptr, AF_UNSPEC, cupsEncryption(), 1, msec, nullptr);
    if (http_ == nullptr) {
        RecordFailure(CupsFailure::Unreachable, IPP_STATUS_ERROR_SERVICE_UNAVAILABLE);
        return nullptr;
    }
    const int open = ++g_open;
    for (int most = g_mostOpen; open > most && !g_mostOpen.compare_exchange_weak(most, open);) {
    }
    httpSetTimeout(http_, static_cast<double>(timeout_.count()) / 1000.0,
                   &CupsConnection::OnTimeout, this);
    return http_;
}

bool CupsConnection::Open() {
    return Connect() != nullptr;
}

void CupsConnection::GiveUpAfter(CupsFailure failure, int status) {
    if (!gaveUp_ && (failure == CupsFailure::Unreachable || failure == CupsFailure::NoAnswer))
        RecordFailure(failure, status);
}

void CupsConnection::Retry() {
    if (!gaveUp_)
        return;
    Close();
    gaveUp_ = false;
    failure_ = CupsFailure::None;
    failureStatus_ = 0;
}

void CupsConnection::RecordFailure(CupsFailure failure, int status) {
    failure_ = failure;
    failureStatus_ = status == IPP_STATUS_OK ? IPP_STATUS_ERROR_SERVICE_UNAVAILABLE : status;
    if (failure == CupsFailure::Unreachable || failure == CupsFailure::NoAnswer)
        gaveUp_ = true;
}

void CupsConnection::RecordTransportFailure() {
    // Timeouts are known from our own callback; libcups reports them as an
    // internal error with a misleading text.
    if (timedOut_)
        RecordFailure(CupsFailure::NoAnswer, cupsLastError());
    else
        RecordFailure(CupsFailure::Unreachable, cupsLastError());
}

bool CupsConnection::DroppedAtOnce(int attempt) {
    constexpr int kAttempts = 3;
    if (!askAgainWhenDropped_ || attempt >= kAttempts || failure_ != CupsFailure::Unreachable ||
        timedOut_ || http_ == nullptr)
        return false;
    gaveUp_ = false;
    failure_ = CupsFailure::None;
    failureStatus_ = 0;
    Close();
    const std::chrono::milliseconds pause(attempt == 1 ? 10 : 50);
    timespec wait{0, static_cast<long>(std::chrono::nanoseconds(pause).count())};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
    return true;
}

namespace {

ipp_t* CopyOf(ipp_t* request) {
    ipp_t* copy = ippNew();
    int minor = 0;
    const int major = ippGetVersion(request, &minor);
    ippSetVersion(copy, major, minor);
    ippSetOperation(copy, ippGetOperation(request));
    ippSetRequestId(copy, ippGetRequestId(request));
    ippCopyAttributes(copy, request, 0, nullptr, nullptr);
    return copy;
}

} // namespace

ipp_t* CupsConnection::Request(ipp_t* request, const std::string& resource) {
    for (int attempt = 1;; ++attempt) {
        // Given up before: failed at once, as promised.
        const bool gaveUpBefore = gaveUp_;
        ipp_t* again = CopyOf(request);
        ipp_t* response = RequestWithFile(request, resource, -1);
        if (response != nullptr || gaveUpBefore || !DroppedAtOnce(attempt)) {
            ippDelete(again);
            return response;
        }
        request = again;
    }
}

ipp_t* CupsConnection::RequestWithFile(ipp_t* request, const std::string& resource, int fd) {
    http_t* http = Connect();
    if (http == nullptr) {
        ippDelete(request);
        return nullptr;
    }
    SigpipeGuard guard;
    timedOut_ = false;
    // cupsDoRequest is cupsDoIORequest without a file; both free the request.
    ipp_t* response = cupsDoIORequest(http, request, resource.c_str(), fd, -1);
    const ipp_status_t status = cupsLastError();
    if (response == nullptr) {
        // Without a response libcups leaves a status of its own: an HTTP or
        // connection failure, or a timeout.
        if (timedOut_ || status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE ||
            status == IPP_STATUS_ERROR_INTERNAL) {
            RecordTransportFailure();
        } else {
            RecordFailure(CupsFailure::Refused, status);
        }
        return nullptr;
    }
    const ipp_status_t answered = ippGetStatusCode(response);
    if (answered > IPP_STATUS_OK_EVENTS_COMPLETE) {
        ippDelete(response);
        RecordFailure(CupsFailure::Refused, answered);
        return nullptr;
    }
    failure_ = CupsFailure::None;
    failureStatus_ = 0;
    return response;
}

bool CupsConnection::AskWhileDropped(const std::function<bool(http_t*)>& ask,
                                     const std::function<bool()>& mayAskAgain) {
    for (int attempt = 1;; ++attempt) {
        http_t* http = Connect();
        if (http == nullptr)
            return false;
        SigpipeGuard guard;
        timedOut_ = false;
        if (ask(http))
            return true;
        RecordTransportFailure();
        if (!mayAskAgain() || !DroppedAtOnce(attempt))
            return false;
    }
}

cups_dest_t* CupsConnection::DefaultDestination() {
    cups_dest_t* dest = nullptr;
    AskWhileDropped(
        [&](http_t* http) {
            dest = cupsGetNamedDest(http, nullptr, nullptr);
            return dest != nullptr || (!timedOut_ && httpGetFd(http) >= 0);
        },
        [] { return true; });
    return dest;
}

http_status_t CupsConnection::GetFile(const std::string& resource, int fd) {
    const off_t start = lseek(fd, 0, SEEK_CUR);
    http_status_t status = HTTP_STATUS_ERROR;
    const bool answered = AskWhileDropped(
        [&](http_t* http) {
            status = cupsGetFd(http, resource.c_str(), fd);
            return !timedOut_ && status != HTTP_STATUS_ERROR;
        },
        // Asked again only while nothing was written.
        [&] { return start >= 0 && lseek(fd, 0, SEEK_CUR) == start; });
    if (!answered)
        return HTTP_STATUS_ERROR;
    if (status != HTTP_STATUS_OK)
        RecordFailure(CupsFailure::Refused, cupsLastError());
    else
        failure_ = CupsFailure::None;
    return status;
}

std::string CupsConnection::FailureText() const {
    switch (failure_) {
    case CupsFailure::None:
        return {};
    case CupsFailure::Unreachable:
        return "The printing service at " + address_ + " is not running or cannot be reached.";
    case CupsFailure::NoAnswer:
        return "The printing service at " + address_ + " did not answer within " +
               std::to_string(timeout_.count()) + " ms.";
    case CupsFailure::Refused:
        break;
    }
    char status[16];
    std::snprintf(status, sizeof status, "0x%04x", static_cast<unsigned>(failureStatus_));
    return "The printing service at " + address_ + " refused the request (IPP status " + status +
           ", " + ippErrorString(static_cast<ipp_status_t>(failureStatus_)) + ").";
}

} // namespace kevo::platform
