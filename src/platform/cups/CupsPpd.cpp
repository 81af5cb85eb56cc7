// SPDX-License-Identifier: Apache-2.0
#include "platform/cups/CupsPpd.h"

#include <cstring>

#include <unistd.h>

// libcups marks its PPD functions deprecated since 1.6, yet they are the
// only way to the texts of a PPD's InputSlot choices, which are the bin names
// users know. They are used in this file only, and the warning is silenced
// here alone.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

namespace kevo::platform {

namespace {

// The temporary copy of a fetched PPD, deleted when it goes out of scope.
class TemporaryFile {
public:
    TemporaryFile() { fd_ = cupsTempFd(path_, sizeof path_); }
    ~TemporaryFile() {
        Close();
        if (path_[0] != '\0')
            unlink(path_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    const char* Path() const { return path_; }
    void Close() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

private:
    char path_[1024] = "";
    int fd_ = -1;
};

PpdSources ReadSources(ppd_file_t* ppd) {
    PpdSources sources;
    sources.outcome = PpdSources::Outcome::Read;
    if (ppd_option_t* slots = ppdFindOption(ppd, "InputSlot")) {
        for (int i = 0; i < slots->num_choices; ++i) {
            // libcups decodes the texts from the PPD's *LanguageEncoding
            // (ISOLatin1 when it names none) into UTF-8.
            sources.inputSlotTexts.emplace_back(slots->choices[i].text);
            sources.inputSlotKeywords.emplace_back(slots->choices[i].choice);
            if (std::strcmp(slots->choices[i].choice, slots->defchoice) == 0)
                sources.defaultInputSlot = slots->choices[i].choice;
        }
    }
    // ppdFindChoice ignores case; the PPD keyword "True" does not.
    if (ppd_option_t* manual = ppdFindOption(ppd, "ManualFeed")) {
        for (int i = 0; i < manual->num_choices; ++i) {
            if (std::strcmp(manual->choices[i].choice, "True") == 0)
                sources.hasManualFeed = true;
        }
    }
    sources.postScript =
        ppd->num_filters == 0 && ppdFindAttr(ppd, "cupsFilter2", nullptr) == nullptr;
    return sources;
}

} // namespace

PpdSources FetchPpdSources(CupsConnection& connection, const std::string& queueResource) {
    TemporaryFile file;
    if (!file.IsOpen())
        return {};
    const http_status_t status = connection.GetFile(queueResource + ".ppd", file.Fd());
    file.Close();
    if (status == HTTP_STATUS_NOT_FOUND) {
        PpdSources none;
        none.outcome = PpdSources::Outcome::NoPpd;
        return none;
    }
    if (status != HTTP_STATUS_OK)
        return {};
    return ReadPpdSources(file.Path());
}

PpdSources ReadPpdSources(const std::string& path) {
    ppd_file_t* ppd = ppdOpenFile(path.c_str());
    if (ppd == nullptr)
        return {};
    PpdSources sources = ReadSources(ppd);
    ppdClose(ppd);
    return sources;
}

} // namespace kevo::platform

#pragma GCC diagnostic pop
