// SPDX-License-Identifier: Apache-2.0
#include "PrivateScheduler.h"

#include "Files.h"

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <system_error>
#include <tuple>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kevo::test {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

namespace {

// The client environment that Start() sets and the destructor restores.
const char* const kClientVariables[] = {"CUPS_SERVER", "CUPS_SERVERROOT", "HOME", "LPDEST",
                                        "PRINTER"};

// Where lpadmin and cupsd are besides PATH: /usr/sbin, which an ordinary
// user's PATH may lack.
constexpr const char* kSystemFolders = "/usr/sbin:/sbin:/usr/bin:/bin";

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

// Waits until a child has stopped or gone on (state: WSTOPPED or
// WCONTINUED), or has ended, and says which (siginfo_t::si_code). An end is
// left to be reaped by its ChildProcess.
int WaitUntil(pid_t pid, int state) {
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(pid), &info, state | WEXITED | WNOWAIT) < 0 &&
           errno == EINTR) {
    }
    return info.si_code;
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
    WriteBytes(folder_ / "etc" / "cups-files.conf", files.str());

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
    WriteBytes(folder_ / "etc" / "cupsd.conf", daemon.str());
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

ChildProcess PrivateScheduler::LaunchCupsd(const fs::path& outputFile) const {
    const char* chosen = std::getenv("KEVO_CUPSD");
    const std::string cupsd =
        FindProgram(chosen != nullptr && *chosen != '\0' ? chosen : "cupsd", kSystemFolders);
    SpawnOptions options;
    options.outputFile = outputFile;
    return ChildProcess({cupsd, "-f", "-c", (folder_ / "etc" / "cupsd.conf").string(), "-s",
                         (folder_ / "etc" / "cups-files.conf").string()},
                        options);
}

void PrivateScheduler::Launch() {
    cupsd_ = LaunchCupsd(folder_ / "log" / "cupsd.out");
}

bool PrivateScheduler::WaitUntilAnswering() {
    const auto deadline = Clock::now() + options_.startLimit;
    bool answering = false;
    while (!answering) {
        if (cupsd_.HasExited()) {
            cupsd_ = ChildProcess(); // it gave up, usually because the port was taken
            break;
        }
        answering = SchedulerAnswers(port_);
        const int left = RemainingMs(deadline);
        if (answering || left == 0)
            break;
        // Look again in a few milliseconds, or at once when it ends.
        cupsd_.WaitForExit(Clock::now() + milliseconds(std::min(left, 10)));
    }
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
        if (cupsd_.Started()) {
            Stop();
            break; // running but not answering: trying again will not help
        }
        port_ = 0; // the port was taken meanwhile: another one
    }
    throw SchedulerError("the private CUPS scheduler in " + folder_.string() + " did not start:\n" +
                         LogTail());
}

void PrivateScheduler::Stop() {
    if (!cupsd_.Started())
        return;
    frozen_ = false;
    if (!cupsd_.HasExited()) {
        // A stopped process keeps SIGTERM pending until it runs again.
        kill(cupsd_.Pid(), SIGCONT);
        kill(cupsd_.Pid(), SIGTERM);
        Knock(port_);
        if (!cupsd_.WaitForExit(Clock::now() + std::chrono::seconds(10)))
            cupsd_.Kill();
    }
    cupsd_ = ChildProcess();
}

void PrivateScheduler::Restart() {
    Stop();
    Start();
}

void PrivateScheduler::Freeze() {
    if (!cupsd_.Started() || frozen_)
        return;
    kill(cupsd_.Pid(), SIGSTOP);
    // SIGSTOP cannot be caught or ignored: the wait ends as soon as the
    // process has stopped (or ended).
    if (WaitUntil(cupsd_.Pid(), WSTOPPED) != CLD_STOPPED) {
        cupsd_ = ChildProcess();
        throw SchedulerError("the scheduler ended instead of stopping");
    }
    frozen_ = true;
}

void PrivateScheduler::Thaw() {
    if (!cupsd_.Started() || !frozen_)
        return;
    kill(cupsd_.Pid(), SIGCONT);
    WaitUntil(cupsd_.Pid(), WCONTINUED);
    frozen_ = false;
}

bool PrivateScheduler::IsRunning() const {
    if (!cupsd_.Started())
        return false;
    // A child that has ended stays a zombie until it is reaped.
    const std::string stat = ReadBytesOrEmpty("/proc/" + std::to_string(cupsd_.Pid()) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

std::string PrivateScheduler::LogTail() const {
    std::string log =
        ReadBytesOrEmpty(ErrorLog()) + ReadBytesOrEmpty(folder_ / "log" / "cupsd.out");
    if (log.size() > 4000)
        log = log.substr(log.size() - 4000);
    return log;
}

std::string PrivateScheduler::Run(const std::vector<std::string>& argv) const {
    std::vector<std::string> command = argv;
    command.at(0) = FindProgram(argv[0], kSystemFolders);
    SpawnOptions together;
    together.error = ErrorOutput::WithOutput;
    const ToolRun result = RunToEnd(command, together, options_.commandLimit);
    if (result.timedOut || result.exitCode != 0) {
        std::string text;
        for (const std::string& arg : argv)
            text += (text.empty() ? "" : " ") + arg;
        throw SchedulerError(text + (result.timedOut ? " took too long" : " failed") + ":\n" +
                             result.out);
    }
    return result.out;
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
    WriteBytes(copy, contents);
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
            WriteBytes(path, RenameLines(ReadBytesOrEmpty(path), from, to));
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
        WriteBytes(path, RenameLines(ReadBytesOrEmpty(path), "Default", "Dest"));
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
