// SPDX-License-Identifier: Apache-2.0
#include "platform/cups/CupsPrintingService.h"

#include "platform/cups/CupsConnection.h"
#include "platform/cups/CupsPpd.h"
#include "platform/cups/CupsWorkers.h"

#include <cups/cups.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <variant>

#include <unistd.h>

namespace kevo::platform {

namespace {

// Everything the service needs to know about a queue, asked for in one go.
const char* const kQueueAttributes[] = {
    "printer-name", "printer-make-and-model", "device-uri", "printer-uri-supported",
    "member-uris",  "media-source-supported",
};
constexpr int kQueueAttributeCount = sizeof kQueueAttributes / sizeof kQueueAttributes[0];

// A request for the queue attributes, or for the first `count` of them
// (1: the name alone).
ipp_t* NewRequest(ipp_op_t operation, int count = kQueueAttributeCount) {
    ipp_t* request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", count,
                  nullptr, kQueueAttributes);
    return request;
}

std::string StringOf(ipp_attribute_t* attribute, int index = 0) {
    const char* text = ippGetString(attribute, index, nullptr);
    return text != nullptr ? std::string(text) : std::string();
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// The path of a queue's URI, decoded ("ipp://localhost:631/printers/B%C3%BCro"
// gives "/printers/Büro"): libcups encodes it again when it sends a request.
std::string ResourceOf(const std::string& uri) {
    char scheme[32];
    char userpass[256];
    char host[HTTP_MAX_HOST];
    char resource[HTTP_MAX_URI];
    int port = 0;
    if (httpSeparateURI(HTTP_URI_CODING_ALL, uri.c_str(), scheme, sizeof scheme, userpass,
                        sizeof userpass, host, sizeof host, &port, resource,
                        sizeof resource) < HTTP_URI_STATUS_OK) {
        return {};
    }
    return resource;
}

// "ipp://localhost/printers/NAME" with the name percent-encoded, as libcups
// itself names a queue in its requests.
std::string PrinterUri(const std::string& name) {
    char uri[HTTP_MAX_URI];
    if (httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                         "/printers/%s", name.c_str()) < HTTP_URI_STATUS_OK) {
        return {};
    }
    return uri;
}

} // namespace

CupsPrintingService::CupsPrintingService(CupsServiceOptions options) : options_(options) {}

CupsPrintingService::~CupsPrintingService() = default;

CupsConnection& CupsPrintingService::Connection() {
    if (!connection_) {
        server_ = cupsServer();
        port_ = ippPort();
        connection_ = std::make_unique<CupsConnection>(server_, port_, options_.requestTimeout);
    }
    return *connection_;
}

CupsWorkers* CupsPrintingService::Workers(int count) {
    Connection(); // the address, as this thread resolves it
    if (!workers_)
        workers_ = std::make_unique<CupsWorkers>(server_, port_, options_.requestTimeout);
    workers_->Grow(std::min(count, kMaxConnections - 1));
    return workers_->Count() > 0 ? workers_.get() : nullptr;
}

bool CupsPrintingService::SchedulerGivenUp() const {
    return connection_ && connection_->GaveUp();
}

namespace {

// Reads the printer groups of a response, in the order the scheduler gave
// them. A class's PPD is its first member's, as the scheduler itself serves it.
std::vector<CupsQueue> ReadQueues(ipp_t* response) {
    std::vector<CupsQueue> queues;
    CupsQueue queue;
    bool inGroup = false;
    std::string memberResource;
    auto finish = [&] {
        if (inGroup && !queue.name.empty()) {
            if (!memberResource.empty())
                queue.ppdResource = memberResource;
            else if (!StartsWith(queue.ppdResource, "/printers/"))
                queue.ppdResource.clear(); // a class without printers has no PPD
            queues.push_back(std::move(queue));
        }
        queue = CupsQueue();
        memberResource.clear();
        inGroup = false;
    };
    for (ipp_attribute_t* attribute = ippFirstAttribute(response); attribute != nullptr;
         attribute = ippNextAttribute(response)) {
        const char* name = ippGetName(attribute);
        if (ippGetGroupTag(attribute) != IPP_TAG_PRINTER || name == nullptr) {
            finish();
            continue;
        }
        inGroup = true;
        if (std::strcmp(name, "printer-name") == 0) {
            queue.name = StringOf(attribute);
        } else if (std::strcmp(name, "printer-make-and-model") == 0) {
            queue.makeAndModel = StringOf(attribute);
        } else if (std::strcmp(name, "device-uri") == 0) {
            queue.deviceUri = StringOf(attribute);
        } else if (std::strcmp(name, "printer-uri-supported") == 0) {
            queue.ppdResource = ResourceOf(StringOf(attribute));
        } else if (std::strcmp(name, "member-uris") == 0) {
            for (int i = 0; i < ippGetCount(attribute) && memberResource.empty(); ++i) {
                std::string resource = ResourceOf(StringOf(attribute, i));
                if (StartsWith(resource, "/printers/"))
                    memberResource = std::move(resource);
            }
        } else if (std::strcmp(name, "media-source-supported") == 0) {
            queue.hasMediaSources = true;
            for (int i = 0; i < ippGetCount(attribute); ++i)
                queue.mediaSources.push_back(StringOf(attribute, i));
        }
    }
    finish();
    return queues;
}

} // namespace

// The printer list as one connection got it: the queues, none when the
// scheduler has none, nothing when it failed; and how the connection failed.
struct CupsPrintingService::Listed {
    std::optional<std::vector<CupsQueue>> queues;
    CupsFailure failure = CupsFailure::None;
    int failureStatus = 0;
};

CupsPrintingService::Listed CupsPrintingService::ListOver(CupsConnection& connection, int limit) {
    // The whole list is for its names: a scheduler with thousands of queues
    // takes far longer to tell all their attributes.
    ipp_t* request = NewRequest(IPP_OP_CUPS_GET_PRINTERS, limit > 0 ? kQueueAttributeCount : 1);
    if (limit > 0)
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "limit", limit);
    // The scheduler's own queues only: printers that it merely discovered on
    // the network (and scanners) are left out, and nothing waits for network
    // discovery, as with cupsEnumDests(CUPS_PRINTER_DISCOVERED in the mask,
    // not in the type). The request goes over our own connection, which
    // cupsEnumDests cannot use, so that its wait stays bounded.
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_ENUM, "printer-type", 0);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_ENUM, "printer-type-mask",
                  CUPS_PRINTER_DISCOVERED | CUPS_PRINTER_SCANNER);
    return ListedBy(connection, request);
}

CupsPrintingService::Listed CupsPrintingService::ListFrom(CupsConnection& connection,
                                                          const std::string& first, int limit) {
    // No filter: every queue that a look-up by name finds, but those that
    // the scheduler hides from the user in its lists.
    ipp_t* request = NewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "limit", limit);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "first-printer-name", nullptr,
                 first.c_str());
    return ListedBy(connection, request);
}

CupsPrintingService::Listed CupsPrintingService::ListedBy(CupsConnection& connection,
                                                          ipp_t* request) {
    ipp_t* response = connection.Request(request, "/");
    Listed listed;
    listed.failure = connection.Failure();
    listed.failureStatus = connection.FailureStatus();
    if (response == nullptr) {
        // The scheduler answers "not found" when nothing is installed.
        if (connection.Failure() == CupsFailure::Refused &&
            connection.FailureStatus() == IPP_STATUS_ERROR_NOT_FOUND) {
            listed.queues.emplace();
        }
        return listed;
    }
    listed.queues = ReadQueues(response);
    ippDelete(response);
    return listed;
}

// The scheduler's queues in its order; nothing when the scheduler could not
// be asked or refused. What a queue is (its driver, port, PPD) is asked for
// by name when it is needed.
std::optional<std::vector<PrinterEntry>> CupsPrintingService::ListQueues() {
    Listed listed = ListOver(Connection());
    if (!listed.queues)
        return std::nullopt;
    std::vector<PrinterEntry> printers;
    printers.reserve(listed.queues->size());
    for (CupsQueue& queue : *listed.queues)
        printers.push_back({std::move(queue.name), std::string()});
    return printers;
}

std::vector<PrinterEntry> CupsPrintingService::EnumPrinters() {
    return ListQueues().value_or(std::vector<PrinterEntry>());
}

namespace {

// Whether the scheduler can be asked for a queue by this name, and finds
// every queue that the catalogue's rule finds by it: it compares queue
// names ignoring the case of ASCII letters only, so a name with other
// letters ("BÜRO" for "Büro") is looked for in the list.
bool AskableByName(const std::string& name) {
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether a name can be a queue's at all: the scheduler takes no name of 128
// bytes or more, and none with a blank, a control character, "/", "\\",
// "?", "'", "\"" or "#" (a name as Windows names printers, "Accounts
// Laser", is none).
bool CanBeQueueName(const std::string& name) {
    if (name.empty() || name.size() >= 128)
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 127 || std::strchr("/\\?'\"#", c) != nullptr;
    });
}

} // namespace

PrinterLookup CupsPrintingService::LookUpPrinter(const std::string& name) {
    PrinterLookup lookup;
    if (!CanBeQueueName(name)) {
        lookup.result = PrinterLookup::Result::Missing;
        return lookup;
    }
    if (!AskableByName(name))
        return lookup;
    // A failure leaves it to the list, which fails the same way.
    const std::string key = FoldPrinterName(name);
    if (queues_.find(key) == queues_.end())
        Remember(name, AskQueue(Connection(), name));
    const auto known = queues_.find(key);
    if (known == queues_.end())
        return lookup;
    if (!known->second) {
        lookup.result = PrinterLookup::Result::Missing;
    } else {
        lookup.result = PrinterLookup::Result::Found;
        lookup.entry.name = known->second->name;
    }
    return lookup;
}

CupsPrintingService::QueueLookup CupsPrintingService::AskQueue(CupsConnection& connection,
                                                               const std::string& printer) {
    QueueLookup lookup;
    const std::string uri = PrinterUri(printer);
    if (uri.empty())
        return lookup;
    ipp_t* request = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    ipp_t* response = connection.Request(request, "/");
    if (response == nullptr) {
        // Only the scheduler's "no such queue" is an answer worth keeping.
        if (connection.Failure() == CupsFailure::Refused &&
            connection.FailureStatus() == IPP_STATUS_ERROR_NOT_FOUND) {
            lookup.result = QueueLookup::Result::Missing;
        }
        return lookup;
    }
    std::vector<CupsQueue> found = ReadQueues(response);
    ippDelete(response);
    if (!found.empty()) {
        lookup.result = QueueLookup::Result::Found;
        lookup.queue = std::move(found.front());
    }
    return lookup;
}

void CupsPrintingService::Remember(const std::string& printer, QueueLookup lookup) {
    const std::string key = FoldPrinterName(printer);
    switch (lookup.result) {
    case QueueLookup::Result::Found:
        queues_[key] = std::move(lookup.queue);
        break;
    case QueueLookup::Result::Missing:
        queues_[key] = std::nullopt;
        break;
    case QueueLookup::Result::Failed:
        queues_.erase(key);
        break;
    }
}

const CupsQueue* CupsPrintingService::FindQueue(const std::string& printer) {
    const std::string key = FoldPrinterName(printer);
    if (auto known = queues_.find(key); known == queues_.end())
        Remember(printer, AskQueue(Connection(), printer));
    const auto known = queues_.find(key);
    return known != queues_.end() && known->second ? &*known->second : nullptr;
}

DefaultPrinterAnswer CupsPrintingService::SystemError() const {
    DefaultPrinterAnswer answer;
    answer.status = DefaultPrinterAnswer::Status::SystemError;
    answer.errorCode = connection_->FailureStatus();
    answer.errorText = connection_->FailureText();
    return answer;
}

// What one connection got when it fetched a printer's bins; the queue asked
// again when the scheduler had no PPD for it.
struct CupsPrintingService::Fetched {
    int count = -1;
    std::vector<Bin> bins;
    bool ppdFetched = false;
    std::optional<QueueLookup> askedAgain;
    // How jobs name the same paper sources; nothing when the fetch failed.
    std::optional<QueueSources> sources;
};

// The printers that one prefetch asks for, and what it got.
struct CupsPrintingService::Batch {
    struct Task {
        std::string printer;
        std::optional<CupsQueue> queue;
        std::optional<QueueLookup> lookup;
        std::optional<PpdSources> ppd;
        std::optional<Fetched> fetched;
    };
    std::vector<Task> tasks;
    // The first connection that the scheduler leaves without an answer
    // stops the others: a frozen scheduler costs one wait, not one per
    // connection.
    std::atomic<bool> stopped{false};
    std::atomic<int> stopStatus{0};

    // The questions it asks.
    std::size_t Questions() const {
        std::size_t questions = 0;
        for (const Task& task : tasks)
            questions += task.queue ? 1 : 2;
        return questions;
    }
};

namespace {

// How long a thread of this process has waited for a core since it started
// (the kernel's run-queue delay), where the kernel tells it.
std::chrono::nanoseconds WaitedForCore([[maybe_unused]] long thread) {
#ifdef __linux__
    std::ifstream in("/proc/self/task/" + std::to_string(thread) + "/schedstat");
    unsigned long long ran = 0;
    unsigned long long waited = 0;
    if (in >> ran >> waited)
        return std::chrono::nanoseconds(waited);
#endif
    return std::chrono::nanoseconds(0);
}

long ThisThread() {
#ifdef __linux__
    return static_cast<long>(gettid());
#else
    return 0;
#endif
}

} // namespace

// Tells the other threads whether the service's first answer came within
// a given time: whether the scheduler is near. Made by the thread that
// asks, as it asks. How long the answer took does not count the time that
// this thread waited for a core: a start-up that makes its windows
// meanwhile keeps both cores of a small machine busy, and a near scheduler
// must not look far for it. Decided once, by whichever thread knows first,
// so that every thread acts on the same answer.
struct CupsPrintingService::FirstAnswer {
    explicit FirstAnswer(std::chrono::milliseconds time) : time(time) {}

    const std::chrono::milliseconds time;
    std::mutex mutex;
    std::condition_variable told;
    std::optional<bool> near;
    const long asker = ThisThread();
    const std::chrono::steady_clock::time_point asked = std::chrono::steady_clock::now();
    const std::chrono::nanoseconds waitedBefore = WaitedForCore(asker);

    // The answer has come: whether in time.
    bool Tell() {
        bool inTime = false;
        {
            std::lock_guard lock(mutex);
            if (!near)
                near = Taken() <= time;
            inTime = *near;
        }
        told.notify_all();
        return inTime;
    }
    // Whether it came in time, waiting for it that long.
    bool Within() {
        std::unique_lock lock(mutex);
        while (!near) {
            const auto left = time - Taken();
            if (left <= std::chrono::nanoseconds(0))
                near = false;
            else
                told.wait_for(lock, left);
        }
        return *near;
    }

private:
    // How long it has taken so far.
    std::chrono::nanoseconds Taken() const {
        return std::chrono::steady_clock::now() - asked - (WaitedForCore(asker) - waitedBefore);
    }
};

void CupsPrintingService::RememberDefault(const cups_dest_s& dest) {
    // libcups asked the scheduler for the queue's attributes with the
    // default; they stand for a look-up of the queue (but for its paper
    // sources, asked for again when it has no PPD). A default of the user's
    // own (an instance) is no queue's answer.
    auto option = [&dest](const char* name) {
        const char* value = cupsGetOption(name, dest.num_options, dest.options);
        return value != nullptr ? std::string(value) : std::string();
    };
    const std::string uri = option("printer-uri-supported");
    if (dest.instance != nullptr || uri.empty())
        return;
    CupsQueue queue;
    queue.name = dest.name;
    queue.makeAndModel = option("printer-make-and-model");
    queue.deviceUri = option("device-uri");
    const std::string members = option("member-uris");
    queue.ppdResource = ResourceOf(members.empty() ? uri : members.substr(0, members.find(',')));
    if (members.empty() && !StartsWith(queue.ppdResource, "/printers/"))
        queue.ppdResource.clear();
    queues_[FoldPrinterName(queue.name)] = std::move(queue);
}

DefaultPrinterAnswer CupsPrintingService::DefaultPrinter() {
    CupsConnection& connection = Connection();
    // The printers that the lines name are asked for next, side by side
    // when the scheduler is far: a worker connects right after this
    // connection and, unless the default is told within kNearAnswer (a near
    // scheduler, where this thread asks for everything, one request after
    // another), the other workers meanwhile, so that their connections are
    // up when Prefetch needs them. A scheduler behind a local socket is near
    // by definition: no worker is started for it.
    using SideBySide = CupsServiceOptions::SideBySide;
    const bool always = options_.sideBySide == SideBySide::Always;
    const bool localSocket = !server_.empty() && server_.front() == '/';
    const bool oneAtATime = options_.sideBySide == SideBySide::Never || (localSocket && !always);
    std::shared_ptr<FirstAnswer> answered;
    CupsWorkers* workers = nullptr;
    // The printers that the last run on this scheduler named, asked with
    // the first default question: by the workers meanwhile when the
    // scheduler is far, after it when it is near.
    std::vector<std::string> namedBefore;
    if (!namedBeforeAsked_) {
        namedBeforeAsked_ = true;
        namedBefore = NamedBefore();
    }
    std::unique_ptr<Batch> named;
    std::atomic<bool> namedAsked{false};
    std::thread asking;
    // Also when this thread meets an exception: the thread that asks uses
    // what is made here.
    struct JoinedAtEnd {
        std::thread& thread;
        ~JoinedAtEnd() {
            if (thread.joinable())
                thread.join();
        }
    } joinedAtEnd{asking};
    if (!workersStarted_ && !oneAtATime && !connection.GaveUp()) {
        workersStarted_ = true;
        answered = std::make_shared<FirstAnswer>(kNearAnswer);
        if (!workers_)
            workers_ = std::make_unique<CupsWorkers>(server_, port_, options_.requestTimeout);
        workers = workers_.get();
        named = PlanPrefetch(namedBefore);
        try {
            // Far, the other workers connect meanwhile, and ask for the
            // printers named before. Asked to, also near; then once the
            // default is told, so that this connection is up first.
            asking = std::thread([&named, &namedAsked, answered, workers, always] {
                const bool near = answered->Within();
                if (!near || always) {
                    workers->Grow(kMaxConnections - 1);
                    if (!named->tasks.empty() && workers->Count() > 0) {
                        namedAsked = true;
                        AskPrefetch(*named, *workers, nullptr);
                    }
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: Prefetch starts the workers and asks.
        }
        // This connection first, then one worker's: a scheduler that allows
        // one client fewer connections than it asks for (MaxClientsPerHost)
        // refuses the workers' and keeps this one, over which every
        // question is asked again. Far, the other workers connect once the
        // default has not been told within kNearAnswer, after this one.
        if (connection.Open())
            workers->Grow(1);
    }
    cups_dest_t* dest = connection.DefaultDestination();
    if (answered) {
        const bool near = answered->Tell();
        sideBySide_ = always || !near;
    }
    // Far, the printers are being asked meanwhile: their answers are waited
    // for. Near, the thread that would ask them ends as it learns so, and
    // is not waited for until the end (waking it takes a while when the
    // windows being made keep the cores busy).
    if (sideBySide_ && asking.joinable()) {
        asking.join();
        if (namedAsked)
            KeepPrefetch(*named);
    }
    DefaultPrinterAnswer answer = AnswerDefault(dest);
    if (!sideBySide_ && !namedBefore.empty() &&
        answer.status != DefaultPrinterAnswer::Status::SystemError) {
        ListAround(namedBefore);
        // Planned anew: the default's answer and the list told what their
        // queues are. Over this connection and the worker's, connected
        // already: while the scheduler answers one, the other's answer is
        // read (a PPD each, mostly), and the scheduler's own time per
        // question, which grows with its queues, is not waited for twice.
        const std::unique_ptr<Batch> batch = PlanPrefetch(namedBefore);
        CupsWorkers none(server_, port_, options_.requestTimeout);
        AskPrefetch(*batch, workers != nullptr ? *workers : none, &connection, true);
        KeepPrefetch(*batch);
    }
    return answer;
}

DefaultPrinterAnswer CupsPrintingService::AnswerDefault(cups_dest_s* dest) {
    if (dest != nullptr) {
        DefaultPrinterAnswer answer;
        answer.names.emplace_back(dest->name);
        defaultName_ = dest->name;
        RememberDefault(*dest);
        cupsFreeDests(1, dest);
        return answer;
    }
    CupsConnection& connection = Connection();
    if (connection.GaveUp())
        return SystemError();
    // libcups reports every failure of its default look-up as "not found":
    // no default set, one that names no queue, even a scheduler that
    // refuses. Where no default is set, which is common on CUPS, the program
    // would have no printer to work with; Windows always has a default while
    // a printer is installed, so the first queue stands in for it. Asking
    // for it (the list cut to its first queue) also tells whether the
    // scheduler works.
    Listed first = ListOver(connection, 1);
    if (!first.queues)
        return SystemError();
    DefaultPrinterAnswer answer;
    if (first.queues->empty()) {
        answer.status = DefaultPrinterAnswer::Status::InvalidName;
    } else {
        CupsQueue& queue = first.queues->front();
        answer.names.push_back(queue.name);
        queues_[FoldPrinterName(queue.name)] = std::move(queue);
    }
    return answer;
}

WindowsDevice CupsPrintingService::ProfileWindowsDevice() {
    const DefaultPrinterAnswer answer = DefaultPrinter();
    if (answer.status != DefaultPrinterAnswer::Status::Ok || answer.names.empty())
        return {};
    const std::string& name = answer.names.front();
    const CupsQueue* queue = FindQueue(name);
    if (queue == nullptr)
        return {};
    DevicesValue devices = DevicesValueOf(queue->makeAndModel, queue->deviceUri);
    return {name, std::move(devices.driver), std::move(devices.port)};
}

DevicesValue CupsPrintingService::ProfileDevicesValue(const std::string& printer) {
    const CupsQueue* queue = FindQueue(printer);
    if (queue == nullptr)
        return {};
    return DevicesValueOf(queue->makeAndModel, queue->deviceUri);
}

namespace {

QueueSources SourcesOfPpd(PpdSources ppd) {
    QueueSources sources;
    sources.hasPpd = true;
    sources.slotKeywords = std::move(ppd.inputSlotKeywords);
    sources.hasManualFeed = ppd.hasManualFeed;
    sources.defaultSlot = std::move(ppd.defaultInputSlot);
    sources.postScript = ppd.postScript;
    return sources;
}

QueueSources SourcesOfQueue(const CupsQueue& queue) {
    QueueSources sources;
    sources.slotKeywords = queue.mediaSources;
    return sources;
}

} // namespace

CupsPrintingService::Fetched CupsPrintingService::FetchOver(CupsConnection& connection,
                                                            const CupsQueue& known,
                                                            const std::string& printer) {
    Fetched fetched;
    const CupsQueue* queue = &known;
    if (!queue->ppdResource.empty()) {
        fetched.ppdFetched = true;
        PpdSources sources = FetchPpdSources(connection, queue->ppdResource);
        switch (sources.outcome) {
        case PpdSources::Outcome::Read:
            fetched.bins = MakeBins(sources.inputSlotTexts, sources.hasManualFeed);
            fetched.count = static_cast<int>(fetched.bins.size());
            fetched.sources = SourcesOfPpd(std::move(sources));
            return fetched;
        case PpdSources::Outcome::Failed:
            return fetched;
        case PpdSources::Outcome::NoPpd:
            // The scheduler says "not found" also for a queue deleted since
            // the printer list was taken: ask for the queue again, so that a
            // deleted one fails like any printer that cannot be asked, and
            // one still there gives the paper sources it reports now.
            fetched.askedAgain = AskQueue(connection, printer);
            if (fetched.askedAgain->result != QueueLookup::Result::Found)
                return fetched;
            queue = &fetched.askedAgain->queue;
            break;
        }
    }
    // A queue without PPD: the paper sources that the scheduler reports,
    // keywords only ("tray-1", "manual"); with none, the queue has no bins.
    if (queue->hasMediaSources)
        fetched.bins = MakeBins(queue->mediaSources, false);
    fetched.count = static_cast<int>(fetched.bins.size());
    fetched.sources = SourcesOfQueue(*queue);
    return fetched;
}

CupsPrintingService::BinAnswer CupsPrintingService::Keep(const std::string& printer,
                                                         Fetched fetched) {
    if (fetched.ppdFetched)
        ++ppdFetchCount_;
    if (fetched.askedAgain)
        Remember(printer, std::move(*fetched.askedAgain));
    if (fetched.sources)
        sources_[FoldPrinterName(printer)] = std::move(*fetched.sources);
    BinAnswer answer;
    answer.count = fetched.count;
    answer.bins = std::move(fetched.bins);
    return answer;
}

CupsPrintingService::BinAnswer CupsPrintingService::FetchBins(const std::string& printer) {
    const CupsQueue* queue = FindQueue(printer);
    if (queue == nullptr)
        return {};
    return Keep(printer, FetchOver(Connection(), *queue, printer));
}

std::unique_ptr<CupsPrintingService::Batch>
CupsPrintingService::PlanPrefetch(const std::vector<std::string>& printers) const {
    // A printer not known yet is asked for by name while its PPD is fetched
    // by the same name (the scheduler finds a printer's PPD ignoring ASCII
    // case): two questions side by side, not one after the other. The PPD
    // is kept when the look-up shows a printer of its own PPD; a class's
    // or a queue's without PPD is left to the usual queries. A name that
    // no queue can have is left out.
    auto batch = std::make_unique<Batch>();
    std::set<std::string> named;
    for (const std::string& printer : printers) {
        std::string key = FoldPrinterName(printer);
        const auto known = queues_.find(key);
        const bool fetched = prefetched_.count(key) != 0 || (last_ && last_->first == key);
        if (fetched || (known == queues_.end() && !CanBeQueueName(printer)) ||
            (known != queues_.end() && !known->second) || !named.insert(std::move(key)).second)
            continue;
        batch->tasks.push_back({printer, known != queues_.end() ? known->second : std::nullopt,
                                std::nullopt, std::nullopt, std::nullopt});
    }
    return batch;
}

void CupsPrintingService::AskPrefetch(Batch& batch, CupsWorkers& workers, CupsConnection* own,
                                      bool listed) {
    using Task = Batch::Task;
    std::atomic<bool>& stopped = batch.stopped;
    auto ask = [&batch](CupsConnection& connection, auto question) {
        if (batch.stopped || connection.GaveUp())
            return;
        question();
        if (connection.GaveUp() && connection.Failure() == CupsFailure::NoAnswer) {
            batch.stopStatus = connection.FailureStatus();
            batch.stopped = true;
        }
    };
    // The bins of a queue known already.
    auto fetchJob = [ask](Task& task) {
        return [&task, ask](CupsConnection& connection) {
            ask(connection, [&] {
                Fetched fetched = FetchOver(connection, *task.queue, task.printer);
                // Only answers are kept. A failure may be this connection's
                // alone (one that the scheduler dropped can even read as a
                // refusal), so the usual query asks again.
                if (fetched.count >= 0)
                    task.fetched = std::move(fetched);
            });
        };
    };
    // Side by side, the printers not known yet are looked up in one window
    // of the list (as ListAround does), asked first, and by name last, once
    // the window has answered, for the printers that it did not tell:
    // printers with neighbouring names cost one question, and the others no
    // more round trips than look-ups alone (the PPDs fill the rounds before
    // them).
    std::map<std::string, Task*> unknown;
    for (Task& task : batch.tasks) {
        if (!task.queue)
            unknown.emplace(FoldPrinterName(task.printer), &task);
    }
    struct Window {
        std::mutex mutex;
        std::condition_variable answered;
        bool done = true;
        std::map<std::string, CupsQueue> queues;
    } window;
    std::vector<CupsWorkers::Job> jobs;
    std::vector<CupsWorkers::Job> lookups;
    if (!listed && workers.Count() > 0 && unknown.size() >= 2) {
        // First in the queue: taken before any look-up that waits for it.
        window.done = false;
        jobs.push_back([&window, &unknown, ask](CupsConnection& connection) {
            struct Done {
                Window& window;
                ~Done() {
                    {
                        std::lock_guard lock(window.mutex);
                        window.done = true;
                    }
                    window.answered.notify_all();
                }
            } done{window};
            ask(connection, [&] {
                Listed listed = ListFrom(connection, unknown.begin()->second->printer,
                                         static_cast<int>(unknown.size()));
                std::lock_guard lock(window.mutex);
                for (CupsQueue& queue : listed.queues.value_or(std::vector<CupsQueue>())) {
                    std::string key = FoldPrinterName(queue.name);
                    window.queues.emplace(std::move(key), std::move(queue));
                }
            });
        });
    }
    for (Task& task : batch.tasks) {
        if (task.queue) {
            jobs.push_back(fetchJob(task));
            continue;
        }
        lookups.push_back([&task, &window, ask](CupsConnection& connection) {
            {
                std::unique_lock lock(window.mutex);
                window.answered.wait(lock, [&window] { return window.done; });
                const auto told = window.queues.find(FoldPrinterName(task.printer));
                if (told != window.queues.end()) {
                    task.lookup = QueueLookup{QueueLookup::Result::Found, told->second};
                    return;
                }
            }
            ask(connection, [&] { task.lookup = AskQueue(connection, task.printer); });
        });
        jobs.push_back([&task, ask](CupsConnection& connection) {
            ask(connection,
                [&] { task.ppd = FetchPpdSources(connection, "/printers/" + task.printer); });
        });
    }
    std::move(lookups.begin(), lookups.end(), std::back_inserter(jobs));
    workers.RunAll(std::move(jobs), own);

    // What the two questions tell together, as FetchOver would have it; a
    // class's bins are its first member's PPD's, fetched now.
    std::vector<CupsWorkers::Job> classes;
    for (Task& task : batch.tasks) {
        if (!task.lookup || task.lookup->result != QueueLookup::Result::Found || !task.ppd)
            continue;
        const CupsQueue& queue = task.lookup->queue;
        const bool ownPpd =
            FoldPrinterName(queue.ppdResource) == FoldPrinterName("/printers/" + queue.name);
        const bool noPpd = task.ppd->outcome == PpdSources::Outcome::NoPpd;
        if (!queue.ppdResource.empty() && !ownPpd) {
            task.queue = queue;
            classes.push_back(fetchJob(task));
        } else if (queue.ppdResource.empty() || noPpd) {
            // No PPD: the paper sources that the scheduler reports.
            Fetched fetched;
            if (queue.hasMediaSources)
                fetched.bins = MakeBins(queue.mediaSources, false);
            fetched.count = static_cast<int>(fetched.bins.size());
            fetched.ppdFetched = !queue.ppdResource.empty();
            fetched.sources = SourcesOfQueue(queue);
            task.fetched = std::move(fetched);
        } else if (task.ppd->outcome == PpdSources::Outcome::Read) {
            Fetched fetched;
            fetched.bins = MakeBins(task.ppd->inputSlotTexts, task.ppd->hasManualFeed);
            fetched.count = static_cast<int>(fetched.bins.size());
            fetched.ppdFetched = true;
            // Kept for the paper sources too, as a fetch of its own keeps
            // them: the PPD is not fetched a second time for them.
            fetched.sources = SourcesOfPpd(std::move(*task.ppd));
            task.fetched = std::move(fetched);
        }
    }
    if (!classes.empty() && !stopped)
        workers.RunAll(std::move(classes), own);
}

void CupsPrintingService::KeepPrefetch(Batch& batch) {
    if (batch.stopped)
        Connection().GiveUpAfter(CupsFailure::NoAnswer, batch.stopStatus);
    for (Batch::Task& task : batch.tasks) {
        // The queue was found, or the scheduler said it has none: kept as a
        // look-up of the service's own would keep it.
        if (task.lookup && task.lookup->result != QueueLookup::Result::Failed)
            Remember(task.printer, std::move(*task.lookup));
        if (task.fetched) {
            BinAnswer answer = Keep(task.printer, std::move(*task.fetched));
            prefetched_.emplace(FoldPrinterName(task.printer), std::move(answer));
        }
    }
}

void CupsPrintingService::ListAround(const std::vector<std::string>& printers) {
    // By the scheduler's order (names ignoring ASCII case), the names not
    // known yet that a look-up by name would ask for.
    std::map<std::string, std::string> wanted;
    for (const std::string& printer : printers) {
        std::string key = FoldPrinterName(printer);
        if (CanBeQueueName(printer) && AskableByName(printer) && queues_.count(key) == 0)
            wanted.emplace(std::move(key), printer);
    }
    // A window starts at the first name wanted and holds as many queues as
    // names are wanted: names that neighbour each other cost one question.
    // A name that the window does not hold is asked for by name: the
    // scheduler may have no such queue, or hide it from the user in its
    // lists, or the window may have started elsewhere (at the first queue,
    // when the scheduler has none by that name). Names far apart stop the
    // windows: a window that gave fewer than two names is the last.
    CupsConnection& connection = Connection();
    while (!wanted.empty() && !connection.GaveUp()) {
        const std::string first = wanted.begin()->first;
        Listed window =
            ListFrom(connection, wanted.begin()->second, static_cast<int>(wanted.size()));
        if (!window.queues)
            return;
        int found = 0;
        for (CupsQueue& queue : *window.queues) {
            std::string key = FoldPrinterName(queue.name);
            found += static_cast<int>(wanted.erase(key));
            queues_[std::move(key)] = std::move(queue);
        }
        wanted.erase(first);
        if (found < 2)
            return;
    }
}

void CupsPrintingService::Prefetch(const std::vector<std::string>& printers) {
    const bool always = options_.sideBySide == CupsServiceOptions::SideBySide::Always;
    if (Connection().GaveUp())
        return;
    NoteNamed(printers);
    if (!(sideBySide_ || always)) {
        ListAround(printers);
        return;
    }
    const std::unique_ptr<Batch> batch = PlanPrefetch(printers);
    if (batch->tasks.empty())
        return;
    CupsWorkers* workers = Workers(static_cast<int>(batch->Questions()));
    if (workers == nullptr)
        return;
    workers->Retry();
    // Over the workers' connections only: the scheduler ends a connection
    // after an error page (a PPD that it does not have), and this service's
    // own would then connect again while the workers hold every connection
    // that the scheduler allows one client (MaxClientsPerHost), be refused,
    // and give the scheduler up for the usual questions that follow.
    AskPrefetch(*batch, *workers, nullptr);
    KeepPrefetch(*batch);
}

namespace {

// The named-printers file: per scheduler a block of lines, its address and
// then the printers named, blocks separated by an empty line (no printer
// has an empty name); the last scheduler asked first.
using NamedBlock = std::pair<std::string, std::vector<std::string>>;

std::vector<NamedBlock> ReadNamedBlocks(const std::string& file) {
    // No more lines than the service writes.
    constexpr std::size_t kMostLines =
        CupsPrintingService::kMaxNamedServers * (CupsPrintingService::kMaxNamedNoted + 2);
    std::vector<NamedBlock> blocks;
    std::ifstream in(file, std::ios::binary);
    bool open = false;
    std::size_t lines = 0;
    for (std::string line; lines++ < kMostLines && std::getline(in, line);) {
        if (line.empty())
            open = false;
        else if (!open)
            blocks.push_back({line, {}}), open = true;
        else
            blocks.back().second.push_back(line);
    }
    return blocks;
}

} // namespace

void CupsPrintingService::NoteNamed(const std::vector<std::string>& printers) const {
    if (options_.namedPrintersFile.empty() || !connection_)
        return;
    std::vector<std::string> noted;
    if (!defaultName_.empty())
        noted.push_back(defaultName_);
    for (const std::string& printer : printers) {
        if (noted.size() < kMaxNamedNoted && CanBeQueueName(printer) &&
            std::find(noted.begin(), noted.end(), printer) == noted.end())
            noted.push_back(printer);
    }
    std::vector<NamedBlock> blocks = ReadNamedBlocks(options_.namedPrintersFile);
    // The usual run names what the one before named: nothing to write.
    if (!blocks.empty() && blocks.front().first == connection_->Address() &&
        blocks.front().second == noted)
        return;
    std::erase_if(
        blocks, [this](const NamedBlock& block) { return block.first == connection_->Address(); });
    blocks.insert(blocks.begin(), {connection_->Address(), std::move(noted)});
    if (blocks.size() > kMaxNamedServers)
        blocks.resize(kMaxNamedServers);
    // Written whole under another name, then put in place: a run that
    // reads it meanwhile reads the old or the new list.
    namespace fs = std::filesystem;
    const fs::path file(options_.namedPrintersFile);
    std::error_code ignored;
    fs::create_directories(file.parent_path(), ignored);
    const fs::path written = file.string() + "." + std::to_string(getpid());
    {
        std::ofstream out(written, std::ios::binary | std::ios::trunc);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            out << (i > 0 ? "\n" : "") << blocks[i].first << '\n';
            for (const std::string& printer : blocks[i].second)
                out << printer << '\n';
        }
        if (!out.flush()) {
            out.close();
            fs::remove(written, ignored);
            return;
        }
    }
    fs::rename(written, file, ignored);
    if (ignored)
        fs::remove(written, ignored);
}

std::vector<std::string> CupsPrintingService::NamedBefore() const {
    std::vector<std::string> named;
    if (options_.namedPrintersFile.empty() || !connection_)
        return named;
    for (NamedBlock& block : ReadNamedBlocks(options_.namedPrintersFile)) {
        if (block.first != connection_->Address())
            continue;
        for (std::string& printer : block.second) {
            if (named.size() < kMaxNamedNoted && CanBeQueueName(printer))
                named.push_back(std::move(printer));
        }
        break;
    }
    return named;
}

const CupsPrintingService::BinAnswer& CupsPrintingService::Bins(const std::string& printer) {
    std::string key = FoldPrinterName(printer);
    if (last_ && last_->first == key)
        return last_->second;
    BinAnswer answer;
    if (auto fetched = prefetched_.find(key); fetched != prefetched_.end()) {
        answer = std::move(fetched->second);
        prefetched_.erase(fetched);
    } else {
        answer = FetchBins(printer);
    }
    last_.emplace(std::move(key), std::move(answer));
    return last_->second;
}

int CupsPrintingService::BinCount(BinKind /*kind*/, const std::string& device,
                                  const std::string& /*port*/) {
    return Bins(device).count;
}

int CupsPrintingService::BinData(const std::string& device, const std::string& /*port*/,
                                 BinFields& out) {
    const BinAnswer& answer = Bins(device);
    if (answer.count < 0)
        return -1;
    std::visit(
        [&answer](auto& fields) {
            fields.clear();
            for (const Bin& bin : answer.bins) {
                if constexpr (std::is_same_v<std::decay_t<decltype(fields)>,
                                             std::vector<BinNameField>>)
                    fields.push_back(bin.name);
                else
                    fields.push_back(bin.number);
            }
        },
        out);
    return answer.count;
}

void CupsPrintingService::ForgetFailures() {
    // Queue look-ups keep only the scheduler's "no such queue"; a bin answer
    // of -1 may be a PPD that is fixed by now or a scheduler that is back.
    if (last_ && last_->second.count < 0)
        last_.reset();
    if (connection_)
        connection_->Retry();
    if (workers_)
        workers_->Retry();
}

void CupsPrintingService::ForgetAnswers() {
    queues_.clear();
    last_.reset();
    prefetched_.clear();
    sources_.clear();
    ForgetFailures();
}

std::optional<QueueSources> CupsPrintingService::PaperSources(const std::string& printer) {
    const std::string key = FoldPrinterName(printer);
    if (const auto kept = sources_.find(key); kept != sources_.end())
        return kept->second;
    const CupsQueue* queue = FindQueue(printer);
    if (queue == nullptr)
        return std::nullopt;
    QueueSources sources = SourcesOfQueue(*queue);
    if (!queue->ppdResource.empty()) {
        PpdSources ppd = FetchPpdSources(Connection(), queue->ppdResource);
        if (ppd.outcome == PpdSources::Outcome::Failed)
            return std::nullopt;
        if (ppd.outcome == PpdSources::Outcome::Read)
            sources = SourcesOfPpd(std::move(ppd));
    }
    sources_[key] = sources;
    return sources;
}

std::optional<std::vector<std::string>>
CupsPrintingService::DocumentFormats(const std::string& printer) {
    // Asked of the one queue that prints, not with the printer list: the
    // list is long (some forty types a queue) and only printing needs it.
    const std::string uri = PrinterUri(printer);
    if (uri.empty())
        return std::nullopt;
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "document-format-supported");
    ipp_t* response = Connection().Request(request, "/");
    if (response == nullptr)
        return std::nullopt;
    std::vector<std::string> formats;
    if (ipp_attribute_t* attribute =
            ippFindAttribute(response, "document-format-supported", IPP_TAG_MIMETYPE)) {
        for (int i = 0; i < ippGetCount(attribute); ++i)
            formats.push_back(StringOf(attribute, i));
    }
    ippDelete(response);
    return formats;
}

std::unique_ptr<PrintingService> MakeCupsPrintingService() {
    // The user's cache: XDG_CACHE_HOME, else ~/.cache.
    CupsServiceOptions options;
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (cache != nullptr && *cache == '/')
        options.namedPrintersFile = std::string(cache) + "/kevoconf/cups-named-printers";
    else if (home != nullptr && *home == '/')
        options.namedPrintersFile = std::string(home) + "/.cache/kevoconf/cups-named-printers";
    return std::make_unique<CupsPrintingService>(options);
}

std::unique_ptr<CupsPrintingService> MakeCupsPrintingService(CupsServiceOptions options) {
    return std::make_unique<CupsPrintingService>(options);
}

} // namespace kevo::platform
