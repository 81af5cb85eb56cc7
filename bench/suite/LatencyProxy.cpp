// SPDX-License-Identifier: Apache-2.0
#include "LatencyProxy.h"
#include "SchedulerJobs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <list>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kevo::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point release;
    std::string data; // empty: the sender closed its side
};

// One direction of a connection: what `from` sent, on its way to `to`.
struct Direction {
    int from = -1;
    int to = -1;
    bool fromClosed = false; // `from` sent its end, or failed
    bool toClosed = false;   // the end was passed on to `to`
    std::deque<Chunk> held;
    std::size_t sent = 0; // bytes of the first chunk already written
    bool blocked = false; // `to` would not take more just now
};

struct Link {
    int number = 0;
    // Requests of this connection still waiting for their answer: their
    // places in the trace.
    std::vector<std::size_t> waiting;
    Clock::time_point accepted;
    Direction up;   // client to scheduler
    Direction down; // scheduler to client
    bool broken = false;

    bool Finished() const {
        return broken || (up.toClosed && down.toClosed && up.held.empty() && down.held.empty());
    }
};

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int ConnectTo(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Passes on what is due in one direction; false when `to` failed.
bool Deliver(Direction& direction, Clock::time_point now) {
    direction.blocked = false;
    while (!direction.held.empty() && direction.held.front().release <= now) {
        Chunk& chunk = direction.held.front();
        if (chunk.data.empty()) {
            shutdown(direction.to, SHUT_WR);
            direction.toClosed = true;
            direction.held.pop_front();
            continue;
        }
        const ssize_t wrote = send(direction.to, chunk.data.data() + direction.sent,
                                   chunk.data.size() - direction.sent, MSG_NOSIGNAL);
        if (wrote < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                direction.blocked = true;
                return true;
            }
            if (errno == EINTR)
                continue;
            return false;
        }
        direction.sent += static_cast<std::size_t>(wrote);
        if (direction.sent == chunk.data.size()) {
            direction.held.pop_front();
            direction.sent = 0;
        }
    }
    return true;
}

// Takes what `from` sent and holds it until `release`.
void Receive(Direction& direction, Clock::time_point release) {
    char buffer[65536];
    const ssize_t got = recv(direction.from, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (got <= 0) {
        // The end of its stream, or a reset: both are passed on as the end.
        direction.fromClosed = true;
        direction.held.push_back({release, std::string()});
        return;
    }
    direction.held.push_back({release, std::string(buffer, static_cast<std::size_t>(got))});
}

// The IPP operations the program and libcups send.
std::string OperationName(unsigned op) {
    switch (op) {
    case 0x0002:
        return "Print-Job";
    case 0x0004:
        return "Validate-Job";
    case 0x0005:
        return "Create-Job";
    case 0x0006:
        return "Send-Document";
    case 0x000A:
        return "Get-Jobs";
    case 0x000B:
        return "Get-Printer-Attributes";
    case 0x4001:
        return "CUPS-Get-Default";
    case 0x4002:
        return "CUPS-Get-Printers";
    case 0x4005:
        return "CUPS-Get-Classes";
    case 0x400F:
        return "CUPS-Get-PPD";
    default:
        break;
    }
    char text[16];
    std::snprintf(text, sizeof text, "op 0x%04x", op);
    return text;
}

// The requests that begin in a chunk a client sent: each HTTP request line
// ("POST /printers/P HTTP/1.1"), with the IPP operation when the body's
// start is in the same chunk.
std::vector<std::string> RequestsIn(const std::string& data) {
    std::vector<std::string> found;
    static const std::string kVersion = " HTTP/1.1\r\n";
    for (std::size_t end = data.find(kVersion); end != std::string::npos;
         end = data.find(kVersion, end + 1)) {
        const std::size_t lineStart = data.rfind("\r\n", end);
        const std::size_t start = lineStart == std::string::npos ? 0 : lineStart + 2;
        std::string what = data.substr(start, end - start);
        const std::size_t body = data.find("\r\n\r\n", end);
        if (what.rfind("POST ", 0) == 0 && body != std::string::npos && body + 8 <= data.size()) {
            const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
            what += " " + OperationName((byte(body + 6) << 8) | byte(body + 7));
        }
        found.push_back(std::move(what));
    }
    return found;
}

} // namespace

int MostOnOneConnection(const std::vector<TracedRequest>& trace) {
    std::map<int, int> perConnection;
    int most = 0;
    for (const TracedRequest& request : trace)
        most = std::max(most, ++perConnection[request.connection]);
    return most;
}

std::vector<TracedRequest> LatencyProxy::TakeTrace() {
    std::lock_guard lock(traceMutex_);
    std::vector<TracedRequest> taken;
    taken.swap(trace_);
    traceStart_ = Clock::now();
    return taken;
}

LatencyProxy::LatencyProxy(int targetPort, std::chrono::milliseconds oneWay)
    : targetPort_(targetPort), oneWay_(oneWay) {
    const test::LoopbackListener listener = test::ListenOnLoopback(64, "the latency proxy");
    listenFd_ = listener.fd;
    port_ = listener.port;
    if (pipe2(wakeFds_, O_CLOEXEC) != 0) {
        const std::string why = std::strerror(errno);
        close(listenFd_);
        throw std::runtime_error("the latency proxy cannot make its wake-up pipe: " + why);
    }
    thread_ = std::thread([this] { Run(); });
}

LatencyProxy::~LatencyProxy() {
    const char stop = 's';
    if (write(wakeFds_[1], &stop, 1) != 1) {
        // The thread still ends with the process.
    }
    thread_.join();
    close(listenFd_);
    close(wakeFds_[0]);
    close(wakeFds_[1]);
}

std::string LatencyProxy::Server() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void LatencyProxy::Run() {
    const Clock::duration delay = oneWay_;
    std::list<Link> links;
    std::vector<pollfd> fds;
    for (;;) {
        Clock::time_point now = Clock::now();
        std::optional<Clock::time_point> next;
        for (auto link = links.begin(); link != links.end();) {
            for (Direction* direction : {&link->up, &link->down}) {
                if (!Deliver(*direction, now))
                    link->broken = true;
                if (!direction->held.empty() && !direction->blocked &&
                    (!next || direction->held.front().release < *next))
                    next = direction->held.front().release;
            }
            if (link->Finished()) {
                close(link->up.from);
                close(link->down.from);
                link = links.erase(link);
                --open_;
            } else {
                ++link;
            }
        }

        fds.clear();
        fds.push_back({wakeFds_[0], POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});
        for (Link& link : links) {
            for (Direction* direction : {&link.up, &link.down}) {
                // A socket is watched for reading in the direction it sends
                // and for writing in the other, each entry on its own.
                // Nothing asked of it: left out (a negative descriptor),
                // or a socket whose peer hung up would wake the loop at
                // once, again and again.
                fds.push_back({direction->fromClosed ? -1 : direction->from, POLLIN, 0});
                fds.push_back({direction->blocked ? direction->to : -1, POLLOUT, 0});
            }
        }
        timespec wait{};
        timespec* timeout = nullptr;
        if (next) {
            const auto left = std::max(Clock::duration::zero(), *next - now);
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait.tv_sec = static_cast<time_t>(ns / 1000000000);
            wait.tv_nsec = static_cast<long>(ns % 1000000000);
            timeout = &wait;
        }
        if (ppoll(fds.data(), fds.size(), timeout, nullptr) < 0 && errno != EINTR)
            break;
        if (fds[0].revents != 0)
            break;

        now = Clock::now();
        std::size_t index = 2;
        for (Link& link : links) {
            for (Direction* direction : {&link.up, &link.down}) {
                const pollfd& reading = fds[index];
                index += 2;
                if (reading.revents == 0 || direction->fromClosed)
                    continue;
                // The client's bytes wait for the handshake's round trip
                // as well as for their own way.
                Clock::time_point sent = now;
                if (direction == &link.up)
                    sent = std::max(now, link.accepted + 2 * delay);
                const std::size_t heldBefore = direction->held.size();
                Receive(*direction, sent + delay);
                if (direction->held.size() == heldBefore || direction->held.back().data.empty())
                    continue;
                std::lock_guard lock(traceMutex_);
                const auto ms = [&](Clock::time_point at) {
                    return std::chrono::duration<double, std::milli>(at - traceStart_).count();
                };
                if (direction == &link.up) {
                    for (std::string& what : RequestsIn(direction->held.back().data)) {
                        link.waiting.push_back(trace_.size());
                        trace_.push_back({ms(now), -1, link.number, std::move(what)});
                    }
                } else {
                    // The answer reaches the client a delay later.
                    for (const std::size_t waiting : link.waiting) {
                        if (waiting < trace_.size())
                            trace_[waiting].answeredMs = ms(now + delay);
                    }
                    link.waiting.clear();
                }
            }
        }
        if (fds[1].revents & POLLIN) {
            const int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                const int server = ConnectTo(targetPort_);
                if (server < 0) {
                    close(client);
                    continue;
                }
                SetNonBlocking(client);
                SetNonBlocking(server);
                Link link;
                link.accepted = now;
                link.number = carried_ + 1;
                {
                    std::lock_guard lock(traceMutex_);
                    const auto ms = [&](Clock::time_point at) {
                        return std::chrono::duration<double, std::milli>(at - traceStart_).count();
                    };
                    trace_.push_back({ms(now), ms(now + 2 * delay), link.number, "connect"});
                }
                link.up.from = link.down.to = client;
                link.up.to = link.down.from = server;
                links.push_back(std::move(link));
                ++carried_;
                const int open = ++open_;
                if (open > mostAtOnce_)
                    mostAtOnce_ = open;
            }
        }
    }
    for (Link& link : links) {
        close(link.up.from);
        close(link.down.from);
    }
}

} // namespace kevo::bench
