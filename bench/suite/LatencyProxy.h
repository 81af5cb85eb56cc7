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
#include <string>
#include <thread>

namespace kevo::bench {

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
    std::thread thread_;
};

} // namespace kevo::bench
