// SPDX-License-Identifier: Apache-2.0
#pragma once

// A TCP proxy that puts a print server at a distance: it accepts on a
// loopback port, connects each client to the scheduler, and holds every
// chunk of data for a fixed delay in each direction, so that a request and
// its answer cost one round trip of twice the delay, as over a slow network.
// Connecting costs one round trip too: a client's first bytes reach the
// scheduler no earlier than three delays after it connected (the handshake
// there and back, then the bytes), as a real connection's would.
//
// Chunks are delayed, not queued behind each other: two chunks sent a
// millisecond apart arrive a millisecond apart, one delay later. The proxy
// runs in a thread of its own; it counts the connections it carried and the
// most it carried at once.

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kevo::bench {

// One request that a client sent through the proxy, as the client saw it:
// when it sent the request and when the first bytes of the answer reached
// it, in ms since the trace began. A connection's handshake is traced too
// ("connect"), as the round trip it costs.
struct TracedRequest {
    double sentMs = 0;
    double answeredMs = -1; // -1: no answer came
    int connection = 0;     // the proxy's count of the connection
    std::string what;       // "POST /printers/P Get-Printer-Attributes", "GET /..."
};

// The most round trips on one connection, its handshake included: a
// connection carries one request at a time, so the client waited for at
// least that many one after another.
int MostOnOneConnection(const std::vector<TracedRequest>& trace);

class LatencyProxy {
public:
    // Forwards to the scheduler at 127.0.0.1:targetPort with `oneWay` delay
    // each way. Throws std::runtime_error when it cannot listen.
    LatencyProxy(int targetPort, std::chrono::milliseconds oneWay);
    ~LatencyProxy();

    LatencyProxy(const LatencyProxy&) = delete;
    LatencyProxy& operator=(const LatencyProxy&) = delete;

    int Port() const { return port_; }
    // "127.0.0.1:PORT", the value of CUPS_SERVER for clients that are to go
    // through the proxy.
    std::string Server() const;

    int ConnectionsCarried() const { return carried_; }
    // Connections still open, ends on their way included.
    int ConnectionsOpen() const { return open_; }
    // The most open at once since the proxy started or ResetMostAtOnce().
    int MostConnectionsAtOnce() const { return mostAtOnce_; }
    void ResetMostAtOnce() { mostAtOnce_ = open_.load(); }

    // The requests since the last TakeTrace (or the start), in the order
    // they were sent; the trace starts again empty.
    std::vector<TracedRequest> TakeTrace();

private:
    void Run();

    int targetPort_;
    std::chrono::milliseconds oneWay_;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<int> carried_{0};
    std::atomic<int> open_{0};
    std::atomic<int> mostAtOnce_{0};
    std::mutex traceMutex_;
    std::vector<TracedRequest> trace_;
    std::chrono::steady_clock::time_point traceStart_ = std::chrono::steady_clock::now();
    std::thread thread_;
};

} // namespace kevo::bench
