// SPDX-License-Identifier: Apache-2.0
#include "PrivateScheduler.h"

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>
#include <tuple>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kevo::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// The client environment that Start() sets and the destructor restores.
const char* const kClientVariables[] = {"CUPS_SERVER", "CUPS_SERVERROOT", "HOME", "LPDEST",
                                        "PRINTER"};

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 0));
}

// lpadmin and cupsd live in /usr/sbin, which an ordinary user's PATH may
// lack.
std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return name;
    std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    path += ":/usr/sbin:/sbin:/usr/bin:/bin";
    std::stringstream folders(path);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty())
            continue;
        const fs::path candidate = fs::path(folder) / name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return name;
}

// Waits until the child has ended, at most until the deadline, and reaps it.
// A pidfd makes the wait exact; without one the state is looked at every
// few milliseconds.
bool WaitForExit(pid_t pid, Clock::time_point deadline, int* status = nullptr) {
    int ignored = 0;
    if (status == nullptr)
        status = &ignored;
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    while (true) {
        const pid_t done = waitpid(pid, status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) {
            if (pidfd >= 0)
                close(pidfd);
            return true;
        }
        const int left = RemainingMs(deadline);
        if (left == 0)
            break;
        if (pidfd >= 0) {
            pollfd wait{pidfd, POLLIN, 0};
            poll(&wait, 1, left);
        } else {
            poll(nullptr, 0, std::min(left, 5));
        }
    }
    if (pidfd >= 0)
        close(pidfd);
    return false;
}

pid_t Spawn(const std::vector<std::string>& argv, int outputFd) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
    const std::string program = FindProgram(argv.at(0));
    pid_t pid = -1;
    const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw SchedulerError("cannot start " + program + ": " + std::strerror(error));
    return pid;
}

int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw SchedulerError("cannot open a socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        throw SchedulerError("cannot find a free port");
    }
    close(fd);
    return ntohs(address.sin_port);
}

bool PortIsFree(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    // The scheduler binds with SO_REUSEADDR, so a port whose old connections
    // linger in TIME_WAIT is free for it: ask the same way, so that a
    // restart keeps its port and a running program finds it again.
    const int reuse = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return free;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out)
        throw SchedulerError("cannot write " + path.string());
}

// Replaces whole lines that begin with `from` (followed by a blank or ">")
// by the same line beginning with `to`.
std::string RenameLines(const std::string& text, const std::string& from, const std::string& to) {
    std::istringstream in(text);
    std::string out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, from.size(), from) == 0 && line.size() > from.size() &&
            (line[from.size()] == ' ' || line[from.size()] == '>')) {
            line = to + line.substr(from.size());
        }
        out += line + "\n";
    }
    return out;
}

} // namespace

CommandResult RunCommand(const std::vector<std::string>& argv, milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        throw SchedulerError("cannot create a pipe");
    pid_t pid = -1;
    try {
        pid = Spawn(argv, pipeFds[1]);
    } catch (...) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        throw;
    }
    close(pipeFds[1]);

    CommandResult result;
    char buffer[4096];
    while (true) {
        pollfd readable{pipeFds[0], POLLIN, 0};
        const int left = RemainingMs(deadline);
        if (left == 0 || poll(&readable, 1, left) == 0) {
            result.timedOut = true;
            break;
        }
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        result.output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);

    int status = 0;
    if (result.timedOut || !WaitForExit(pid, deadline, &status)) {
        result.timedOut = true;
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return result;
    }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

PrivateScheduler::PrivateScheduler() : PrivateScheduler(Options()) {}

PrivateScheduler::PrivateScheduler(Options options) : options_(options) {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    // The scheduler's socket path must fit in 108 bytes.
    if (base.size() > 60)
        base = "/tmp";
    std::string pattern = base + "/kevo-cups-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw SchedulerError("cannot create a folder under " + base);
    folder_ = pattern;
    // The scheduler runs its helpers as another user, who must see in.
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    for (const char* sub :
         {"etc/ppd", "etc/ssl", "spool/tmp", "cache", "state", "log", "client", "home"}) {
        fs::create_directories(folder_ / sub);
    }
    fs::permissions(folder_ / "spool" / "tmp", fs::perms::all | fs::perms::sticky_bit);
}

PrivateScheduler::~PrivateScheduler() {
    try {
        Stop();
    } catch (...) {
        // Nothing more can be done for it here.
    }
    RestoreEnvironment();
    const char* keep = std::getenv("KEVO_KEEP_CUPS");
    if (!options_.keepFolder && !(keep != nullptr && std::strcmp(keep, "1") == 0)) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
}

std::string PrivateScheduler::Server() const {
    return "127.0.0.1:" + std::to_string(port_);
}

fs::path PrivateScheduler::PpdCopy(const std::string& printer) const {
    return folder_ / "etc" / "ppd" / (printer + ".ppd");
}

void PrivateScheduler::WriteConfiguration() const {
    const std::string f = folder_.string();
    std::ostringstream files;
    files << "ServerRoot " << f << "/etc\n";
    files << "RequestRoot " << f << "/spool\n";
    files << "TempDir " << f << "/spool/tmp\n";
    files << "CacheDir " << f << "/cache\n";
    files << "StateDir " << f << "/state\n";
    files << "AccessLog " << f << "/log/access_log\n";
    files << "ErrorLog " << f << "/log/error_log\n";
    files << "PageLog " << f << "/log/page_log\n";
    files << "Printcap " << f << "/etc/printcap\n";
    files << "FileDevice Yes\n";     // file:///dev/null as a device
    files << "Sandboxing relaxed\n"; // no root-owned helpers needed
    files << "FatalErrors config listen\n";
    WriteFile(folder_ / "etc" / "cups-files.conf", files.str());

    // No browsing, no web interface, no authentication; every change is
    // written to printers.conf at once.
    std::ostringstream daemon;
    daemon << "LogLevel warn\n";
    daemon << "Listen 127.0.0.1:" << port_ << "\n";
    daemon << "Listen " << f << "/cups.sock\n";
    daemon << "Browsing No\n";
    daemon << "BrowseLocalProtocols none\n";
    daemon << "WebInterface No\n";
    daemon << "DefaultAuthType None\n";
    daemon << "DirtyCleanInterval 0\n";
    if (clientsPerHost_ > 0)
        daemon << "MaxClientsPerHost " << clientsPerHost_ << "\n";
    daemon << "<Location />\n  Order allow,deny\n  Allow from all\n</Location>\n";
    daemon << "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
    WriteFile(folder_ / "etc" / "cupsd.conf", daemon.str());
}

void PrivateScheduler::SaveEnvironment() {
    if (!savedEnvironment_.empty())
        return;
    for (const char* name : kClientVariables) {
        const char* value = std::getenv(name);
        savedEnvironment_[name] =
            value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }
}

void PrivateScheduler::RestoreEnvironment() {
    for (const auto& [name, value] : savedEnvironment_) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    savedEnvironment_.clear();
}

void PrivateScheduler::UseAsClientServer() const {
    setenv("CUPS_SERVER", Server().c_str(), 1);
    setenv("CUPS_SERVERROOT", (folder_ / "client").c_str(), 1);
    setenv("HOME", HomeFolder().c_str(), 1);
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    cupsSetServer(Server().c_str());
}

void PrivateScheduler::Launch() {
    const std::string cupsd =
        FindProgram(std::getenv("KEVO_CUPSD") != nullptr ? std::getenv("KEVO_CUPSD") : "cupsd");
    const std::vector<std::string> argv = {cupsd, "-f",
                                           "-c",  (folder_ / "etc" / "cupsd.conf").string(),
                                           "-s",  (folder_ / "etc" / "cups-files.conf").string()};
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const int log = open((folder_ / "log" / "cupsd.out").c_str(),
                         O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0)
        throw SchedulerError("cannot open the scheduler's output file");
    const pid_t parent = getpid();
    // fork rather than posix_spawn: the scheduler must end with the test
    // process even when that crashes, or it would outlive the test run. The
    // child calls only async-signal-safe functions before exec.
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // SIGKILL: it may be frozen
        if (getppid() != parent)
            _exit(127);
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0)
            dup2(null, 0);
        dup2(log, 1);
        dup2(log, 2);
        execv(args[0], args.data());
        _exit(127);
    }
    close(log);
    if (pid < 0)
        throw SchedulerError("cannot start " + cupsd + ": " + std::strerror(errno));
    pid_ = pid;
}

bool PrivateScheduler::WaitUntilAnswering() {
    const auto deadline = Clock::now() + options_.startLimit;
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    bool answering = false;
    while (!answering) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1; // it gave up, usually because the port was taken
            break;
        }
        answering = SchedulerAnswers(port_);
        const int left = RemainingMs(deadline);
        if (answering || left == 0)
            break;
        // Look again in a few milliseconds, or at once when it ends.
        pollfd wait{pidfd, POLLIN, 0};
        poll(pidfd >= 0 ? &wait : nullptr, pidfd >= 0 ? 1 : 0, std::min(left, 10));
    }
    if (pidfd >= 0)
        close(pidfd);
    return answering;
}

void PrivateScheduler::Start() {
    if (IsRunning())
        return;
    SaveEnvironment();
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (port_ == 0 || !PortIsFree(port_))
            port_ = FreeLoopbackPort();
        WriteConfiguration();
        UseAsClientServer();
        Launch();
        if (WaitUntilAnswering())
            return;
        if (pid_ > 0) {
            Stop();
            break; // running but not answering: trying again will not help
        }
        port_ = 0; // the port was taken meanwhile: another one
    }
    throw SchedulerError("the private CUPS scheduler in " + folder_.string() + " did not start:\n" +
                         LogTail());
}

void PrivateScheduler::Stop() {
    if (pid_ <= 0)
        return;
    // A stopped process keeps SIGTERM pending until it runs again.
    kill(pid_, SIGCONT);
    frozen_ = false;
    kill(pid_, SIGTERM);
    Knock(port_);
    if (!WaitForExit(pid_, Clock::now() + std::chrono::seconds(10))) {
        kill(pid_, SIGKILL);
        WaitForExit(pid_, Clock::now() + std::chrono::seconds(10));
    }
    pid_ = -1;
}

void PrivateScheduler::Restart() {
    Stop();
    Start();
}

void PrivateScheduler::Freeze() {
    if (pid_ <= 0 || frozen_)
        return;
    kill(pid_, SIGSTOP);
    // SIGSTOP cannot be caught or ignored: the wait ends as soon as the
    // process has stopped (or ended).
    int status = 0;
    while (waitpid(pid_, &status, WUNTRACED) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) || WIFSIGNALED(status)) {
        pid_ = -1;
        throw SchedulerError("the scheduler ended instead of stopping");
    }
    frozen_ = true;
}

void PrivateScheduler::Thaw() {
    if (pid_ <= 0 || !frozen_)
        return;
    kill(pid_, SIGCONT);
    int status = 0;
    while (waitpid(pid_, &status, WCONTINUED) < 0 && errno == EINTR) {
    }
    frozen_ = false;
}

bool PrivateScheduler::IsRunning() const {
    if (pid_ <= 0)
        return false;
    // A child that has ended stays a zombie until it is reaped.
    const std::string stat = ReadFile("/proc/" + std::to_string(pid_) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

std::string PrivateScheduler::LogTail() const {
    std::string log = ReadFile(ErrorLog()) + ReadFile(folder_ / "log" / "cupsd.out");
    if (log.size() > 4000)
        log = log.substr(log.size() - 4000);
    return log;
}

std::string PrivateScheduler::Run(const std::vector<std::string>& argv) const {
    const CommandResult result = RunCommand(argv, options_.commandLimit);
    if (result.timedOut || result.exitCode != 0) {
        std::string command;
        for (const std::string& arg : argv)
            command += (command.empty() ? "" : " ") + arg;
        throw SchedulerError(command + (result.timedOut ? " took too long" : " failed") + ":\n" +
                             result.output);
    }
    return result.output;
}

void PrivateScheduler::AddPrinter(const std::string& name, const fs::path& ppd,
                                  const std::string& deviceUri) {
    Run({"lpadmin", "-p", name, "-E", "-v", deviceUri, "-P", ppd.string()});
}

void PrivateScheduler::AddPrinterWithModel(const std::string& name, const std::string& model,
                                           const std::string& deviceUri) {
    Run({"lpadmin", "-p", name, "-E", "-v", deviceUri, "-m", model});
}

void PrivateScheduler::AddRawPrinter(const std::string& name, const std::string& deviceUri) {
    Run({"lpadmin", "-p", name, "-E", "-v", deviceUri});
}

void PrivateScheduler::AddClass(const std::string& name, const std::vector<std::string>& members) {
    for (const std::string& member : members)
        Run({"lpadmin", "-p", member, "-c", name});
    Run({"cupsenable", name});
    Run({"cupsaccept", name});
}

void PrivateScheduler::RemovePrinter(const std::string& name) {
    Run({"lpadmin", "-x", name});
}

void PrivateScheduler::ReplacePpd(const std::string& printer, const std::string& contents) {
    const fs::path copy = PpdCopy(printer);
    if (!fs::exists(copy))
        throw SchedulerError("the scheduler holds no PPD for " + printer);
    WriteFile(copy, contents);
}

void PrivateScheduler::SetServerDefault(const std::string& printer) {
    Run({"lpadmin", "-d", printer});
}

void PrivateScheduler::ClearServerDefault() {
    const bool wasRunning = IsRunning();
    Stop();
    for (const auto& [file, from, to] : {std::tuple{"printers.conf", "<DefaultPrinter", "<Printer"},
                                         std::tuple{"classes.conf", "<DefaultClass", "<Class"}}) {
        const fs::path path = folder_ / "etc" / file;
        if (fs::exists(path))
            WriteFile(path, RenameLines(ReadFile(path), from, to));
    }
    if (wasRunning)
        Start();
}

void PrivateScheduler::LimitClientsPerHost(int count) {
    if (count == clientsPerHost_)
        return;
    clientsPerHost_ = count;
    Restart();
}

void PrivateScheduler::SetUserDefault(const std::string& printer) {
    Run({"lpoptions", "-d", printer});
}

void PrivateScheduler::ClearUserDefault() {
    const fs::path path = HomeFolder() / ".cups" / "lpoptions";
    if (fs::exists(path))
        WriteFile(path, RenameLines(ReadFile(path), "Default", "Dest"));
}

namespace {

int GiveUp(http_t* /*http*/, void* /*data*/) {
    return 0;
}

} // namespace

void Knock(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    close(fd);
}

bool SchedulerAnswers(int port) {
    http_t* http = httpConnect2("127.0.0.1", port, nullptr, AF_INET, HTTP_ENCRYPTION_IF_REQUESTED,
                                1, 500, nullptr);
    if (http == nullptr)
        return false;
    httpSetTimeout(http, 1.0, GiveUp, nullptr);
    ipp_t* response = cupsDoRequest(http, ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/");
    const bool answered = response != nullptr || cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND;
    ippDelete(response);
    httpClose(http);
    return answered;
}

} // namespace kevo::test
