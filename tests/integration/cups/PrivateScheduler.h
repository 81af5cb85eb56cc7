// SPDX-License-Identifier: Apache-2.0
#pragma once

// A CUPS scheduler of the tests' own: started from a temporary folder with
// its own configuration on a free loopback port, needing neither root nor
// systemd nor a system scheduler, and removed with everything it made when
// the object goes away. Several can run at once (one per test process).
//
// Typical use:
//
//     kevo::test::PrivateScheduler scheduler;
//     scheduler.Start();                       // also points libcups and child processes at it
//     scheduler.AddPrinter("Office", "ppd/kevo-long-names.ppd");
//     scheduler.AddRawPrinter("Labels");
//     scheduler.SetServerDefault("Office");
//     ... run the code under test, or the program, in this environment ...
//     scheduler.Freeze();                      // a scheduler that accepts but never answers
//     scheduler.Stop();                        // or just let the destructor stop it
//
// Start() sets the client environment of this process, which child processes
// inherit: CUPS_SERVER=127.0.0.1:PORT, CUPS_SERVERROOT (an empty client
// folder, so no client.conf or lpoptions of the machine interferes), HOME (a
// folder of its own, where lpoptions keeps the user's default), and unsets
// LPDEST and PRINTER; it also calls cupsSetServer for the calling thread. The
// destructor puts the previous environment back.
//
// The scheduler ends with the thread that started it (even when the test
// process crashes): start it from a thread that lives as long as it is used,
// the main thread usually.
//
// libcups reads HOME and CUPS_SERVERROOT once per thread, at its first call
// in that thread: start the scheduler before the first libcups call of the
// threads that use it, and keep one scheduler per process (Restart() keeps
// its folders and printers, so a test can stop and start it again).

#include "ChildProcess.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/types.h>

namespace kevo::test {

// One bounded request to a scheduler on a loopback port: does it answer?
bool SchedulerAnswers(int port);

// The scheduler notices SIGTERM only when its main loop wakes up, which may
// take a second when it is idle; a connection to its port wakes it at once.
void Knock(int port);

class SchedulerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PrivateScheduler {
public:
    struct Options {
        // How long Start() waits for the scheduler to answer.
        std::chrono::milliseconds startLimit{15000};
        // How long one administration command (lpadmin, lpoptions) may take.
        std::chrono::milliseconds commandLimit{30000};
        // Keep the folder when the object goes away, for a look at the logs.
        // The environment variable KEVO_KEEP_CUPS=1 does the same.
        bool keepFolder = false;
    };

    PrivateScheduler();
    explicit PrivateScheduler(Options options);
    ~PrivateScheduler();

    PrivateScheduler(const PrivateScheduler&) = delete;
    PrivateScheduler& operator=(const PrivateScheduler&) = delete;

    // Starts the scheduler (on a free port the first time, on the same port
    // afterwards when it is still free) and waits until it answers a
    // request. Throws SchedulerError with the scheduler's log when it does
    // not come up.
    void Start();
    // Ends the scheduler (a frozen one is thawed first so that it can) and
    // waits until it has gone; kills it when it does not go in time.
    void Stop();
    // Stop() and Start(): printers, PPDs and the server default stay.
    void Restart();
    // Stops the scheduler's process (SIGSTOP): connections are still
    // accepted by the system, but nothing answers.
    void Freeze();
    // Lets a frozen scheduler run on (SIGCONT).
    void Thaw();
    // Restarts the scheduler so that it closes, at once, every connection
    // from this machine beyond `count` open at a time (MaxClientsPerHost),
    // as a busy server drops them; 0 puts its own limit back.
    void LimitClientsPerHost(int count);

    bool IsRunning() const;
    bool IsFrozen() const { return frozen_; }
    pid_t Pid() const { return cupsd_.Pid(); }
    int Port() const { return port_; }
    // "127.0.0.1:PORT", the value of CUPS_SERVER for its clients.
    std::string Server() const;
    const std::filesystem::path& Folder() const { return folder_; }
    // The client's home folder, where lpoptions keeps the user's default.
    std::filesystem::path HomeFolder() const { return folder_ / "home"; }
    // The scheduler's own copy of a printer's PPD.
    std::filesystem::path PpdCopy(const std::string& printer) const;
    std::filesystem::path ErrorLog() const { return folder_ / "log" / "error_log"; }

    // Points libcups in this thread and future child processes at this
    // scheduler (Start() does it; needed again only after something else
    // changed the environment).
    void UseAsClientServer() const;

    // Printers. Each throws SchedulerError when the scheduler refuses.
    // A printer with a PPD file of our own.
    void AddPrinter(const std::string& name, const std::filesystem::path& ppd,
                    const std::string& deviceUri = "file:///dev/null");
    // A printer with a driver the system knows ("drv:///sample.drv/laserjet.ppd").
    void AddPrinterWithModel(const std::string& name, const std::string& model,
                             const std::string& deviceUri = "file:///dev/null");
    // A raw queue: no PPD at all.
    void AddRawPrinter(const std::string& name, const std::string& deviceUri = "file:///dev/null");
    // A class holding the printers, in this order.
    void AddClass(const std::string& name, const std::vector<std::string>& members);
    void RemovePrinter(const std::string& name);
    // Overwrites the scheduler's copy of a printer's PPD, for example with
    // text that no PPD parser accepts (lpadmin refuses such a file itself).
    void ReplacePpd(const std::string& printer, const std::string& contents);

    // The server default (lpadmin -d).
    void SetServerDefault(const std::string& printer);
    // Leaves the server without default. CUPS has no request for that: the
    // scheduler is stopped, its printers.conf edited, and started again.
    void ClearServerDefault();
    // The user's default in ~/.cups/lpoptions (lpoptions -d), which wins
    // over the server default.
    void SetUserDefault(const std::string& printer);
    void ClearUserDefault();

    // Runs a CUPS client command against this scheduler (for example
    // {"lpstat", "-v"}) and gives what it wrote (standard output and error
    // together); throws SchedulerError when it fails or takes too long.
    std::string Run(const std::vector<std::string>& argv) const;

    // Starts a cupsd of its own on this scheduler's configuration (port,
    // folders, printers), its output appended to outputFile; Start() runs
    // one so, and a test that restarts the scheduler in place another.
    ChildProcess LaunchCupsd(const std::filesystem::path& outputFile) const;

private:
    void WriteConfiguration() const;
    void Launch();
    bool WaitUntilAnswering();
    void SaveEnvironment();
    void RestoreEnvironment();
    std::string LogTail() const;

    Options options_;
    std::filesystem::path folder_;
    int port_ = 0;
    ChildProcess cupsd_;
    bool frozen_ = false;
    int clientsPerHost_ = 0;
    std::map<std::string, std::optional<std::string>> savedEnvironment_;
};

} // namespace kevo::test
