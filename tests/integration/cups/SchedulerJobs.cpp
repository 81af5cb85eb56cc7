// SPDX-License-Identifier: Apache-2.0
#include "SchedulerJobs.h"

#include <cups/cups.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kevo::test {

std::vector<JobState> JobsOf(const std::string& printer) {
    cups_job_t* jobs = nullptr;
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.c_str(), 0, CUPS_WHICHJOBS_ALL);
    std::vector<JobState> states;
    for (int i = 0; i < count; ++i)
        states.push_back({jobs[i].id, static_cast<int>(jobs[i].state)});
    cupsFreeJobs(count, jobs);
    return states;
}

int WaitForJobEnd(const std::string& printer, int jobId, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
        for (const JobState& job : JobsOf(printer)) {
            if (job.id == jobId && job.state >= IPP_JSTATE_CANCELED)
                return job.state;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return 0;
}

LoopbackListener ListenOnLoopback(int backlog, const std::string& what) {
    LoopbackListener listener;
    listener.fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener.fd < 0 || setsockopt(listener.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(listener.fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener.fd, backlog) != 0 ||
        getsockname(listener.fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const std::string why = std::strerror(errno);
        if (listener.fd >= 0)
            close(listener.fd);
        throw std::runtime_error(what + " cannot listen: " + why);
    }
    listener.port = ntohs(address.sin_port);
    return listener;
}

SocketPrinter::SocketPrinter() {
    const LoopbackListener listener = ListenOnLoopback(4, "the socket printer");
    listener_ = listener.fd;
    port_ = listener.port;
    thread_ = std::thread([this] { Serve(); });
}

SocketPrinter::~SocketPrinter() {
    stop_ = true;
    thread_.join();
    close(listener_);
}

std::string SocketPrinter::Uri() const {
    return "socket://127.0.0.1:" + std::to_string(port_);
}

std::vector<std::string> SocketPrinter::Received(std::size_t count,
                                                 std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, limit, [&] { return received_.size() >= count; });
    return received_;
}

void SocketPrinter::Serve() {
    // Every wait is short, so that the destructor's stop is seen at once.
    const auto ready = [this](int fd) {
        pollfd entry{fd, POLLIN, 0};
        while (!stop_) {
            if (poll(&entry, 1, 100) > 0)
                return true;
        }
        return false;
    };
    while (ready(listener_)) {
        const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        std::string bytes;
        char buffer[65536];
        ssize_t got = 0;
        while (ready(connection) && (got = read(connection, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, static_cast<std::size_t>(got));
        close(connection);
        std::lock_guard lock(mutex_);
        received_.push_back(std::move(bytes));
        arrived_.notify_all();
    }
}

} // namespace kevo::test
