// SPDX-License-Identifier: Apache-2.0
// The latency proxy on its own, for trying the program or the CUPS tools
// against a scheduler made far away by hand:
//
//   latency_proxy SCHEDULER-PORT ONE-WAY-MS
//
// Listens on a free loopback port, prints "CUPS_SERVER=127.0.0.1:PORT" for
// the clients to use, and forwards to the scheduler at 127.0.0.1:SCHEDULER-
// PORT with the delay each way until it is interrupted (SIGINT, SIGTERM);
// then prints how many connections it carried and the most at once.

#include "LatencyProxy.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SCHEDULER-PORT ONE-WAY-MS\n", argv[0]);
        return 2;
    }
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    // Blocked before the proxy's thread starts, so that only sigwait takes them.
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    try {
        kevo::bench::LatencyProxy proxy(std::atoi(argv[1]),
                                        std::chrono::milliseconds(std::atoi(argv[2])));
        std::printf("CUPS_SERVER=%s\n", proxy.Server().c_str());
        std::fflush(stdout);
        int signal = 0;
        sigwait(&stop, &signal);
        std::printf("carried %d connections, at most %d at once\n", proxy.ConnectionsCarried(),
                    proxy.MostConnectionsAtOnce());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "latency_proxy: %s\n", error.what());
        return 1;
    }
    return 0;
}
