#include "platform/cups/CupsPrintingService.h"

#include "platform/cups/CupsConnection.h"
#include "platform/cups/CupsPpd.h"

#include <cups/cups.h>

#include <cstring>
#include <utility>

namespace kevo::platform {

namespace {

// Everything the service needs to know about a queue, asked for in one go.
const char* const kQueueAttributes[] = {
    "printer-name", "printer-make-and-model", "device-uri", "printer-uri-supported",
    "member-uris",  "media-source-supported",
};
constexpr int kQueueAttributeCount = sizeof kQueueAttributes / sizeof kQueueAttributes[0];

ipp_t* NewRequest(ipp_op_t operation) {
    ipp_t* request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  kQueueAttributeCount, nullptr, kQueueAttributes);
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
        connection_ =
            std::make_unique<CupsConnection>(cupsServer(), ippPort(), options_.requestTimeout);
    }
    return *connection_;
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

// The scheduler's queues in its order, each also kept in queues_; nothing
// when the scheduler could not be asked or refused.
std::optional<std::vector<PrinterEntry>> CupsPrintingService::ListQueues() {
    ipp_t* request = NewRequest(IPP_OP_CUPS_GET_PRINTERS);
    // The scheduler's own queues only: printers that it merely discovered on
    // the network (and scanners) are left out, and nothing waits for network
    // discovery, as with cupsEnumDests(CUPS_PRINTER_DISCOVERED in the mask,
    // not in the type). The request goes over our own connection, which
    // cupsEnumDests cannot use, so that its wait stays bounded.
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_ENUM, "printer-type", 0);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_ENUM, "printer-type-mask",
                  CUPS_PRINTER_DISCOVERED | CUPS_PRINTER_SCANNER);
    CupsConnection& connection = Connection();
    ipp_t* response = connection.Request(request, "/");
    std::vector<PrinterEntry> printers;
    if (response == nullptr) {
        // The scheduler answers "not found" when nothing is installed.
        if (connection.Failure() == CupsFailure::Refused &&
            connection.FailureStatus() == IPP_STATUS_ERROR_NOT_FOUND) {
            return printers;
        }
        return std::nullopt;
    }
    for (CupsQueue& queue : ReadQueues(response)) {
        printers.push_back({queue.name, std::string()});
        std::string key = FoldPrinterName(queue.name);
        queues_[std::move(key)] = std::move(queue);
    }
    ippDelete(response);
    return printers;
}

std::vector<PrinterEntry> CupsPrintingService::EnumPrinters() {
    return ListQueues().value_or(std::vector<PrinterEntry>());
}

const CupsQueue* CupsPrintingService::FindQueue(const std::string& printer) {
    const std::string key = FoldPrinterName(printer);
    if (auto known = queues_.find(key); known != queues_.end())
        return known->second ? &*known->second : nullptr;
    const std::string uri = PrinterUri(printer);
    if (uri.empty())
        return nullptr;
    ipp_t* request = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    CupsConnection& connection = Connection();
    ipp_t* response = connection.Request(request, "/");
    if (response == nullptr) {
        // Only the scheduler's "no such queue" is an answer worth keeping.
        if (connection.Failure() == CupsFailure::Refused &&
            connection.FailureStatus() == IPP_STATUS_ERROR_NOT_FOUND) {
            queues_[key] = std::nullopt;
        }
        return nullptr;
    }
    std::vector<CupsQueue> found = ReadQueues(response);
    ippDelete(response);
    if (found.empty())
        return nullptr;
    auto& slot = queues_[key];
    slot = std::move(found.front());
    return &*slot;
}

DefaultPrinterAnswer CupsPrintingService::SystemError() const {
    DefaultPrinterAnswer answer;
    answer.status = DefaultPrinterAnswer::Status::SystemError;
    answer.errorCode = connection_->FailureStatus();
    answer.errorText = connection_->FailureText();
    return answer;
}

DefaultPrinterAnswer CupsPrintingService::DefaultPrinter() {
    CupsConnection& connection = Connection();
    if (cups_dest_t* dest = connection.DefaultDestination()) {
        DefaultPrinterAnswer answer;
        answer.names.emplace_back(dest->name);
        cupsFreeDests(1, dest);
        return answer;
    }
    if (connection.GaveUp())
        return SystemError();
    // libcups reports every failure of its default look-up as "not found":
    // no default set, one that names no queue, even a scheduler that
    // refuses. Where no default is set, which is common on CUPS, the program
    // would have no printer to work with; Windows always has a default while
    // a printer is installed, so the first queue stands in for it. Asking
    // for the queues also tells whether the scheduler works.
    const std::optional<std::vector<PrinterEntry>> printers = ListQueues();
    if (!printers)
        return SystemError();
    DefaultPrinterAnswer answer;
    if (printers->empty())
        answer.status = DefaultPrinterAnswer::Status::InvalidName;
    else
        answer.names.push_back(printers->front().name);
    return answer;
}

std::string CupsPrintingService::ProfileWindowsDevice() {
    const DefaultPrinterAnswer answer = DefaultPrinter();
    if (answer.status != DefaultPrinterAnswer::Status::Ok || answer.names.empty())
        return {};
    const std::string& name = answer.names.front();
    const std::string devices = ProfileDevicesValue(name);
    if (devices.empty())
        return {};
    return name + "," + devices;
}

std::string CupsPrintingService::ProfileDevicesValue(const std::string& printer) {
    const CupsQueue* queue = FindQueue(printer);
    if (queue == nullptr)
        return {};
    return DevicesValue(queue->makeAndModel, queue->deviceUri);
}

CupsPrintingService::BinAnswer CupsPrintingService::FetchBins(const std::string& printer) {
    const CupsQueue* queue = FindQueue(printer);
    if (queue == nullptr)
        return {};
    if (!queue->ppdResource.empty()) {
        ++ppdFetchCount_;
        const PpdSources sources = FetchPpdSources(Connection(), queue->ppdResource);
        switch (sources.outcome) {
        case PpdSources::Outcome::Read: {
            BinAnswer answer;
            answer.bins = MakeBins(sources.inputSlotTexts, sources.hasManualFeed);
            answer.count = static_cast<int>(answer.bins.size());
            return answer;
        }
        case PpdSources::Outcome::Failed:
            return {};
        case PpdSources::Outcome::NoPpd:
            // The scheduler says "not found" also for a queue deleted since
            // the printer list was taken: ask for the queue again, so that a
            // deleted one fails like any printer that cannot be asked, and
            // one still there gives the paper sources it reports now.
            queues_.erase(FoldPrinterName(printer));
            queue = FindQueue(printer);
            if (queue == nullptr)
                return {};
            break;
        }
    }
    // A queue without PPD: the paper sources that the scheduler reports,
    // keywords only ("tray-1", "manual"); with none, the queue has no bins.
    BinAnswer answer;
    if (queue->hasMediaSources)
        answer.bins = MakeBins(queue->mediaSources, false);
    answer.count = static_cast<int>(answer.bins.size());
    return answer;
}

const CupsPrintingService::BinAnswer& CupsPrintingService::Bins(const std::string& printer) {
    const std::string key = FoldPrinterName(printer);
    if (auto known = bins_.find(key); known != bins_.end())
        return known->second;
    return bins_.emplace(key, FetchBins(printer)).first->second;
}

int CupsPrintingService::BinNameCount(const std::string& device, const std::string& /*port*/) {
    return Bins(device).count;
}

int CupsPrintingService::BinNumberCount(const std::string& device, const std::string& /*port*/) {
    return Bins(device).count;
}

int CupsPrintingService::BinNames(const std::string& device, const std::string& /*port*/,
                                  std::vector<BinNameField>& out) {
    const BinAnswer& answer = Bins(device);
    if (answer.count < 0)
        return -1;
    out.clear();
    for (const Bin& bin : answer.bins)
        out.push_back(bin.name);
    return answer.count;
}

int CupsPrintingService::BinNumbers(const std::string& device, const std::string& /*port*/,
                                    std::vector<std::uint16_t>& out) {
    const BinAnswer& answer = Bins(device);
    if (answer.count < 0)
        return -1;
    out.clear();
    for (const Bin& bin : answer.bins)
        out.push_back(bin.number);
    return answer.count;
}

void CupsPrintingService::ForgetFailures() {
    // Queue look-ups keep only the scheduler's "no such queue"; a bin answer
    // of -1 may be a PPD that is fixed by now or a scheduler that is back.
    std::erase_if(bins_, [](const auto& entry) { return entry.second.count < 0; });
    if (connection_)
        connection_->Retry();
}

std::optional<QueueSources> CupsPrintingService::PaperSources(const std::string& printer) {
    const CupsQueue* queue = FindQueue(printer);
    if (queue == nullptr)
        return std::nullopt;
    QueueSources sources;
    if (!queue->ppdResource.empty()) {
        PpdSources ppd = FetchPpdSources(Connection(), queue->ppdResource);
        if (ppd.outcome == PpdSources::Outcome::Failed)
            return std::nullopt;
        if (ppd.outcome == PpdSources::Outcome::Read) {
            sources.hasPpd = true;
            sources.slots = std::move(ppd.inputSlotKeywords);
            sources.hasManualFeed = ppd.hasManualFeed;
            sources.defaultSlot = std::move(ppd.defaultInputSlot);
            sources.postScript = ppd.postScript;
            return sources;
        }
    }
    sources.slots = queue->mediaSources;
    return sources;
}

std::unique_ptr<PrintingService> MakeCupsPrintingService() {
    return std::make_unique<CupsPrintingService>();
}

std::unique_ptr<CupsPrintingService> MakeCupsPrintingService(CupsServiceOptions options) {
    return std::make_unique<CupsPrintingService>(options);
}

} // namespace kevo::platform
