// SPDX-License-Identifier: Apache-2.0
#pragma once

// The printing service on a CUPS system: the scheduler's own queues, the
// user's default printer, each queue's driver and port, and its paper bins
// from the PPD's InputSlot choices.

#include "platform/cups/CupsMapping.h"
#include "platform/printing/PrintingService.h"

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct cups_dest_s;
struct _ipp_s;

namespace kevo::platform {

class CupsConnection;
class CupsWorkers;

// A queue as the scheduler describes it.
struct CupsQueue {
    std::string name;
    std::string makeAndModel;
    std::string deviceUri;
    // Where its PPD is: "/printers/NAME" (decoded; libcups encodes it when
    // it asks); for a class its first member's; empty when it can have none.
    std::string ppdResource;
    // media-source-supported, when the scheduler reports it.
    bool hasMediaSources = false;
    std::vector<std::string> mediaSources;
};

struct CupsServiceOptions {
    // How long the scheduler may keep one request waiting (connecting, and
    // each wait for an answer). A scheduler that does not answer in time is
    // given up until ForgetFailures, so a frozen scheduler costs one such
    // wait (plus the second that libcups itself waits for a request to be
    // taken up) per command, however many queries follow: about 3 s.
    std::chrono::milliseconds requestTimeout{2000};
    // When questions are asked side by side: only when the scheduler is far
    // (see CupsPrintingService), or, for tests, always or never.
    enum class SideBySide { WhenFar, Always, Never };
    SideBySide sideBySide = SideBySide::WhenFar;
    // Where the printers that a run named to Prefetch are noted for the
    // next run on the same scheduler, for the last kMaxNamedServers
    // schedulers (none when empty): see DefaultPrinter.
    std::string namedPrintersFile{};
};

// Not thread-safe: one thread uses a service object at a time, and another
// may take it over once the first is done with it (start-up asks for the
// default printer on a thread of its own). The scheduler's address is read
// (cupsServer(), ippPort()) in the thread that makes the first query, and
// each thread that asks sets its libcups password callback to one that
// never asks (no query needs a password, and libcups' own asks on the
// terminal).
//
// A far scheduler costs a round trip per request, so questions that do not
// depend on each other are asked side by side, by worker threads that each
// keep a connection of their own until their burst is done (CupsWorkers), at
// most kMaxConnections connections with the service's own: the workers
// connect while the default printer is asked, and then look up and fetch
// the bins of the printers named to Prefetch. Their answers are kept as if asked one at a time;
// what failed there is asked again the usual way, since a worker's connection may fail alone.
//
// A near scheduler (one whose default printer is answered within
// kNearAnswer) answers one request at a time on cores that the program
// needs too: there, asking side by side only costs, and every question is
// asked one after another, but for the printers that the last run named.
// Those are asked right after the default, so that a start-up that asks
// for the default while it makes its windows has them too, over the
// service's connection and the one worker's that connected meanwhile.
class CupsPrintingService final : public PrintingService {
public:
    explicit CupsPrintingService(CupsServiceOptions options = {});
    ~CupsPrintingService() override;

    CupsPrintingService(const CupsPrintingService&) = delete;
    CupsPrintingService& operator=(const CupsPrintingService&) = delete;

    // The scheduler's local queues and printer connections in its order,
    // classes included, without network discovery and without scanners. One
    // entry per queue, port left empty (the port is in the Devices value).
    // Empty when the scheduler cannot be asked.
    // Asks for the names alone.
    std::vector<PrinterEntry> EnumPrinters() override;

    // One queue asked for by name (Get-Printer-Attributes), and kept with
    // what the list would have said of it. The scheduler finds a queue by
    // its name ignoring the case of ASCII letters, and has at most one
    // queue so named: the one that the list's rule finds, unless the name
    // holds other letters (Unknown). A name that no queue can have is
    // Missing without a question.
    PrinterLookup LookUpPrinter(const std::string& name) override;

    // The user's default (LPDEST or PRINTER, ~/.cups/lpoptions, the system
    // lpoptions, then the scheduler's default) as libcups reports it. The
    // first time, the printers that the last run on this scheduler named to
    // Prefetch (namedPrintersFile) are prefetched as Prefetch would: on a
    // far scheduler meanwhile, side by side; on a near one after it, one
    // after another. Every answer is this run's own, and a printer named
    // then and not now costs questions but changes nothing. When
    // none is set, or the one set names no queue, the first queue of
    // EnumPrinters stands in (asked for alone); only a scheduler without
    // queues has no default (InvalidName). A scheduler that fails gives
    // SystemError.
    DefaultPrinterAnswer DefaultPrinter() override;

    // The default printer with its driver and port; empty without one.
    WindowsDevice ProfileWindowsDevice() override;
    // The driver, the make and model up to its first comma, and the port,
    // the device URI without user name and password. Empty for an unknown
    // queue.
    DevicesValue ProfileDevicesValue(const std::string& printer) override;

    // Bins from the PPD (the automatic bin 15, the InputSlot choices
    // 256, 257, ..., "Manual Feed" 4 when ManualFeed has a True choice); for
    // a queue without PPD the same from media-source-supported; 0 without
    // either; -1 when the PPD cannot be fetched or parsed, the queue is
    // unknown or the scheduler fails. Names and numbers come from the same
    // fetch, and the port is not used. The last printer's answer is kept for
    // the queries that follow for it (until ForgetFailures when it failed);
    // keeping every printer's answers for the run is the caller's (the
    // program wraps this service in CachingPrintingService).
    int BinCount(BinKind kind, const std::string& device, const std::string& port) override;
    int BinData(const std::string& device, const std::string& port, BinFields& out) override;

    // Fetches the bins of these printers side by side (a printer not known
    // yet looked up while its PPD is fetched by its name: in one window of
    // the scheduler's list that starts at the first such name, or by name
    // where the window has not told it; over this service's connection and
    // its workers'), and keeps the answers until
    // their printers' bins are asked for; returns when all are in. Failures
    // are not kept: the usual query asks again. Printers fetched already
    // and names of no queue are left to the usual queries; so is everything
    // when the scheduler is given up. A scheduler that stops answering ends the whole prefetch
    // within the wait of one query, and is given up. On a near scheduler
    // nothing is fetched (the usual queries ask one after another); the
    // printers are noted for the next run all the same.
    void Prefetch(const std::vector<std::string>& printers) override;

    // Drops the failed bin answers and tries a given-up scheduler again.
    void ForgetFailures() override;
    // Drops every kept answer as well: the queues' drivers, ports and PPDs
    // are asked again.
    void ForgetAnswers() override;

    // The most connections to the scheduler that the service opens at once:
    // its own and its workers'. Each printer that lines name costs its PPD
    // and, unless a window of the list tells them, a request for its
    // attributes: 16 connections ask the 40 requests of a setup over 20
    // printers with scattered names in three round trips, where 8 took five,
    // and the 21 of 20 neighbouring ones in two. A scheduler that takes
    // fewer (MaxClientsPerHost) refuses the others, whose printers are then
    // asked the usual way.
    static constexpr int kMaxConnections = 16;
    // The longest that a near scheduler takes to tell the default printer
    // (a connection and one request), not counting the time that the asking
    // thread waited for a core: one on this machine takes 1 to 5 ms, one
    // 5 ms away 20 ms.
    static constexpr std::chrono::milliseconds kNearAnswer{5};
    // The most printers noted for the next run (namedPrintersFile): a
    // setup's lines and the default.
    static constexpr std::size_t kMaxNamedNoted = 100;
    // The most schedulers whose printers are noted, the last asked first.
    static constexpr std::size_t kMaxNamedServers = 8;

    // How many PPDs this service has fetched from the scheduler.
    int PpdFetchCount() const { return ppdFetchCount_; }

    // True once the scheduler could not be reached or did not answer in
    // time; every later query then fails at once, until ForgetFailures.
    bool SchedulerGivenUp() const;

    // For printing: how jobs name the queue's paper sources, from its PPD
    // (InputSlot keywords, ManualFeed, default tray), or for a queue without
    // PPD its media-source-supported. Taken from the fetch of its bins when
    // there was one, so that the check's bins and this answer come from one
    // PPD; fetched otherwise. Nothing when the queue is unknown, its PPD
    // cannot be fetched or parsed, or the scheduler fails.
    std::optional<QueueSources> PaperSources(const std::string& printer) override;

    // A queue's port is its device URI (credentials stripped).
    bool PortsAreDeviceUris() override { return true; }

    // The queue's document-format-supported, asked of it alone. Nothing when
    // the scheduler fails or has no such queue.
    std::optional<std::vector<std::string>> DocumentFormats(const std::string& printer) override;

    // The bounded connection this service asks the scheduler over, for print
    // jobs that must not wait longer than its queries.
    CupsConnection& SchedulerConnection() { return Connection(); }

private:
    // count >= 0: that many bins; -1: the query failed.
    struct BinAnswer {
        int count = -1;
        std::vector<Bin> bins;
    };

    // A queue asked for by name.
    struct QueueLookup {
        enum class Result { Found, Missing, Failed };
        Result result = Result::Failed;
        CupsQueue queue; // when found
    };
    // The printer list, and a printer's bins, as one connection got them.
    struct Listed;
    struct Fetched;
    struct FirstAnswer;
    struct Batch;

    // Questions over any connection, for the service's own thread and its
    // workers alike: they touch nothing of the service.
    // The list, names only, or its first `limit` queues in full.
    static Listed ListOver(CupsConnection& connection, int limit = 0);
    // The queues in full from the one named `first` on, in the scheduler's
    // order, at most `limit` of them.
    static Listed ListFrom(CupsConnection& connection, const std::string& first, int limit);
    static Listed ListedBy(CupsConnection& connection, _ipp_s* request);
    static QueueLookup AskQueue(CupsConnection& connection, const std::string& printer);
    static Fetched FetchOver(CupsConnection& connection, const CupsQueue& queue,
                             const std::string& printer);

    // Prefetch in three steps: what to ask (only the service's state is
    // read), the questions (over the workers, and own when given; nothing of
    // the service is touched, so another thread may ask), and the answers
    // kept. `listed`: the list was asked around the printers already
    // (ListAround), so those still unknown are only looked up by name.
    std::unique_ptr<Batch> PlanPrefetch(const std::vector<std::string>& printers) const;
    static void AskPrefetch(Batch& batch, CupsWorkers& workers, CupsConnection* own,
                            bool listed = false);
    void KeepPrefetch(Batch& batch);
    // The printers named to Prefetch (and the default) noted for the next
    // run on this scheduler, and those the last run noted; nothing without
    // the file or when it notes another scheduler.
    void NoteNamed(const std::vector<std::string>& printers) const;
    std::vector<std::string> NamedBefore() const;
    // Near: the queues of these printers not known yet, from windows of the
    // scheduler's list, kept as look-ups by name would keep them.
    void ListAround(const std::vector<std::string>& printers);

    CupsConnection& Connection();
    // The workers, `count` of them or as many as could be started (at most
    // kMaxConnections - 1); null without any.
    CupsWorkers* Workers(int count);
    std::optional<std::vector<PrinterEntry>> ListQueues();
    const CupsQueue* FindQueue(const std::string& printer);
    void Remember(const std::string& printer, QueueLookup lookup);
    const BinAnswer& Bins(const std::string& printer);
    BinAnswer FetchBins(const std::string& printer);
    BinAnswer Keep(const std::string& printer, Fetched fetched);
    DefaultPrinterAnswer SystemError() const;
    // Keeps what the scheduler told of the default queue with it.
    void RememberDefault(const cups_dest_s& dest);
    // The default printer from libcups' answer (freed here), or, without
    // one, the first queue standing in.
    DefaultPrinterAnswer AnswerDefault(cups_dest_s* dest);

    CupsServiceOptions options_;
    std::string server_;
    int port_ = 0;
    std::unique_ptr<CupsConnection> connection_;
    std::unique_ptr<CupsWorkers> workers_;
    // The workers were started while the default was asked.
    bool workersStarted_ = false;
    // The printers that the last run named were asked with the default.
    bool namedBeforeAsked_ = false;
    // The default queue's name, once told.
    std::string defaultName_;
    // Whether questions are asked side by side; known once the default
    // printer was asked.
    bool sideBySide_ = false;
    // What a look-up by name (or the first queue, standing in for the
    // default) said of each queue, so that its Devices value and bins need
    // no request of their own. Keyed by the folded name; std::nullopt: the
    // scheduler has no such queue.
    std::map<std::string, std::optional<CupsQueue>> queues_;
    // The bins last fetched, keyed by the folded name, and those that
    // Prefetch fetched and no query has asked for yet.
    std::optional<std::pair<std::string, BinAnswer>> last_;
    std::map<std::string, BinAnswer> prefetched_;
    // The paper sources of each printer whose bins or sources were fetched,
    // keyed by the folded name.
    std::map<std::string, QueueSources> sources_;
    int ppdFetchCount_ = 0;
};

// The printing service of this platform's CUPS scheduler, with the default
// options.
std::unique_ptr<PrintingService> MakeCupsPrintingService();

// The same with other options, as the concrete class (for tests and tools).
std::unique_ptr<CupsPrintingService> MakeCupsPrintingService(CupsServiceOptions options);

} // namespace kevo::platform
