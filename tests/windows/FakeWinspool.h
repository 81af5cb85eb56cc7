// SPDX-License-Identifier: Apache-2.0
#pragma once

// A scripted stand-in for the Windows printing calls: printers per
// enumeration, profile values, drivers with their bins, and the failures a
// real system gives only now and then. It keeps the calls made, so a test
// can check that the service asks the way the system expects.

#include "platform/text/TextCoding.h"
#include "platform/winspool/WinspoolApi.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace kevo::testing {

class FakeWinspool : public platform::winspool::WinspoolApi {
public:
    struct Enumeration {
        std::vector<platform::winspool::PrinterRecord> records;
        // Fails the first (size) or the second (data) call with this error.
        std::optional<std::uint32_t> sizeCallError;
        std::optional<std::uint32_t> dataCallError;
        // Data that grows once between the size call and the data call.
        std::vector<platform::winspool::PrinterRecord> grownRecords;
    };

    struct Driver {
        std::vector<std::string> binNames;
        std::vector<std::uint16_t> binNumbers;
        // Answers that replace the real ones.
        std::optional<int> nameCount;
        std::optional<int> nameData;
        std::optional<int> numberCount;
        std::optional<int> numberData;
        // Bins that appear after the first count query (the driver changed).
        int binsAddedAfterFirstCount = 0;
    };

    struct EnumCall {
        std::uint32_t flags;
        std::uint32_t level;
        std::uint32_t bufferSize;
        bool operator==(const EnumCall&) const = default;
    };

    std::uint32_t platformId = platform::winspool::kPlatformWin32Nt;
    std::map<std::pair<std::uint32_t, std::uint32_t>, Enumeration> enumerations;
    std::map<std::pair<std::string, std::string>, std::string> profile;
    std::map<std::string, Driver> drivers;
    std::map<std::uint32_t, std::string> messages;

    std::vector<EnumCall> enumCalls;
    std::vector<std::size_t> capabilityRooms; // the room of each data query

    void SetPrinters(std::uint32_t flags, std::uint32_t level,
                     std::vector<platform::winspool::PrinterRecord> records) {
        enumerations[{flags, level}].records = std::move(records);
    }

    platform::winspool::EnumPrintersCall Enumerate(std::uint32_t flags, std::uint32_t level,
                                                   std::uint32_t bufferSize) override {
        enumCalls.push_back({flags, level, bufferSize});
        platform::winspool::EnumPrintersCall call;
        auto found = enumerations.find({flags, level});
        if (found == enumerations.end()) {
            call.ok = true; // nothing of this kind installed
            return call;
        }
        Enumeration& e = found->second;
        const bool sizeCall = bufferSize == 0;
        if (sizeCall && e.sizeCallError) {
            call.error = *e.sizeCallError;
            return call;
        }
        if (!sizeCall && e.dataCallError) {
            call.error = *e.dataCallError;
            return call;
        }
        if (!sizeCall && !e.grownRecords.empty()) {
            e.records = std::move(e.grownRecords);
            e.grownRecords.clear();
        }
        call.needed = Bytes(e.records);
        if (call.needed == 0) {
            call.ok = true;
        } else if (bufferSize < call.needed) {
            call.error = platform::winspool::kErrorInsufficientBuffer;
        } else {
            call.ok = true;
            call.records = e.records;
        }
        return call;
    }

    std::string ProfileString(const std::string& section, const std::string& key) override {
        const auto found = profile.find({section, key});
        return found == profile.end() ? std::string() : found->second;
    }

    int Capability(const std::string& device, const std::string& /*port*/, std::uint16_t capability,
                   void* output, std::size_t room) override {
        auto found = drivers.find(device);
        if (found == drivers.end())
            return -1;
        Driver& d = found->second;
        const bool names = capability == platform::winspool::kDcBinNames;
        if (output == nullptr) {
            const int count =
                names ? static_cast<int>(d.binNames.size()) : static_cast<int>(d.binNumbers.size());
            const std::optional<int> forced = names ? d.nameCount : d.numberCount;
            const int answer = forced.value_or(count);
            Grow(d);
            return answer;
        }
        capabilityRooms.push_back(room);
        const std::optional<int> forced = names ? d.nameData : d.numberData;
        if (forced)
            return *forced;
        if (names) {
            auto* fields = static_cast<platform::winspool::DriverBinNameField*>(output);
            const std::size_t n = std::min(room, d.binNames.size());
            for (std::size_t i = 0; i < n; ++i) {
                // The name in UTF-16, cut at the field's end as a driver
                // cuts it, even inside a surrogate pair.
                std::string bytes;
                platform::EncodeUtf16(d.binNames[i], false, bytes);
                fields[i] = {};
                for (std::size_t u = 0; u < fields[i].size() && 2 * u + 1 < bytes.size(); ++u)
                    fields[i][u] =
                        static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * u]) |
                                              static_cast<unsigned char>(bytes[2 * u + 1]) << 8);
            }
            return static_cast<int>(d.binNames.size());
        }
        auto* fields = static_cast<std::uint16_t*>(output);
        const std::size_t n = std::min(room, d.binNumbers.size());
        std::copy_n(d.binNumbers.begin(), n, fields);
        return static_cast<int>(d.binNumbers.size());
    }

    std::uint32_t PlatformId() override { return platformId; }

    std::string SystemMessage(std::uint32_t error) override {
        const auto found = messages.find(error);
        return found == messages.end() ? std::string() : found->second;
    }

private:
    static std::uint32_t Bytes(const std::vector<platform::winspool::PrinterRecord>& records) {
        std::uint32_t bytes = 0;
        for (const auto& r : records)
            bytes += 24 + static_cast<std::uint32_t>(r.printerName.size() + r.portName.size() + 2);
        return bytes;
    }

    static void Grow(Driver& d) {
        for (; d.binsAddedAfterFirstCount > 0; --d.binsAddedAfterFirstCount) {
            d.binNames.push_back("Added " + std::to_string(d.binNames.size()));
            d.binNumbers.push_back(static_cast<std::uint16_t>(300 + d.binNumbers.size()));
        }
    }
};

} // namespace kevo::testing
