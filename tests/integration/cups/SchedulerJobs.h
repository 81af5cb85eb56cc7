// SPDX-License-Identifier: Apache-2.0
#pragma once

// The jobs of the scheduler that this process points at, asked through
// libcups, and a printer on a TCP port: for tests that print and look at
// what reached the printer.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kevo::test {

struct JobState {
    int id = 0;
    int state = 0; // an ipp_jstate_t: 3 pending ... 9 completed
};

// Every job of the printer, ended ones too.
std::vector<JobState> JobsOf(const std::string& printer);

// Waits until the job has ended (completed, cancelled or aborted) and gives
// its state; 0 when it has not ended within limit.
int WaitForJobEnd(const std::string& printer, int jobId, std::chrono::milliseconds limit);

// A printer on a loopback TCP port, as the scheduler's socket backend
// reaches it: what each connection brought is kept. A raw queue whose device
// is a file gets nothing from the scheduler (nothing copies the document
// when there is no filter); one whose device is this gets the document.
// A TCP socket listening on a free port of 127.0.0.1 (close-on-exec, the
// address reusable at once) with this backlog; throws std::runtime_error,
// naming `what` and the system's reason, when it cannot. Gives the socket
// and its port.
struct LoopbackListener {
    int fd = -1;
    int port = 0;
};
LoopbackListener ListenOnLoopback(int backlog, const std::string& what);

class SocketPrinter {
public:
    // Listens on a free port; throws std::runtime_error when it cannot.
    SocketPrinter();
    ~SocketPrinter();
    SocketPrinter(const SocketPrinter&) = delete;
    SocketPrinter& operator=(const SocketPrinter&) = delete;

    // "socket://127.0.0.1:PORT", the device URI of a queue that prints here.
    std::string Uri() const;
    // The bytes of each connection that has ended, in order, once there are
    // at least count of them or limit has passed.
    std::vector<std::string> Received(std::size_t count, std::chrono::milliseconds limit);

private:
    void Serve();

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> received_;
    std::thread thread_;
};

} // namespace kevo::test
