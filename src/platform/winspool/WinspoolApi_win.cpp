// SPDX-License-Identifier: Apache-2.0
// The real printing calls of a Windows system.

#include "platform/winspool/WinspoolApi.h"

#include "platform/text/WideText.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winspool.h>

#include <cstring>

namespace kevo::platform::winspool {

static_assert(kPrinterEnumDefault == PRINTER_ENUM_DEFAULT);
static_assert(kPrinterEnumLocal == PRINTER_ENUM_LOCAL);
static_assert(kPrinterEnumConnections == PRINTER_ENUM_CONNECTIONS);
static_assert(kErrorInsufficientBuffer == ERROR_INSUFFICIENT_BUFFER);
static_assert(kErrorInvalidName == ERROR_INVALID_NAME);
static_assert(kDcBins == DC_BINS);
static_assert(kDcBinNames == DC_BINNAMES);
static_assert(kPlatformWin32Nt == VER_PLATFORM_WIN32_NT);
static_assert(sizeof(DriverBinNameField) == 24 * sizeof(WCHAR));

namespace {

// The largest profile value read; the catalogue keeps far less of it.
constexpr DWORD kMaxProfileValue = 64 * 1024;

std::string TextOf(const wchar_t* text) {
    return text != nullptr ? Utf8FromWide(text) : std::string();
}

class SystemWinspoolApi final : public WinspoolApi {
public:
    EnumPrintersCall Enumerate(std::uint32_t flags, std::uint32_t level,
                               std::uint32_t bufferSize) override {
        // The records hold pointers: the buffer is aligned for them.
        std::vector<std::uint64_t> storage((bufferSize + sizeof(std::uint64_t) - 1) /
                                           sizeof(std::uint64_t));
        auto* buffer = bufferSize > 0 ? reinterpret_cast<BYTE*>(storage.data()) : nullptr;
        DWORD needed = 0;
        DWORD returned = 0;
        EnumPrintersCall call;
        call.ok = EnumPrintersW(flags, nullptr, level, buffer, bufferSize, &needed, &returned) != 0;
        call.error = call.ok ? 0 : GetLastError();
        call.needed = needed;
        if (!call.ok || buffer == nullptr)
            return call;
        for (DWORD i = 0; i < returned; ++i) {
            if (level == 4) {
                const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer) + i;
                call.records.push_back({TextOf(info->pPrinterName), std::string()});
            } else if (level == 5) {
                const auto* info = reinterpret_cast<const PRINTER_INFO_5W*>(buffer) + i;
                call.records.push_back({TextOf(info->pPrinterName), TextOf(info->pPortName)});
            }
        }
        return call;
    }

    std::string ProfileString(const std::string& section, const std::string& key) override {
        // A value that fills the buffer may have been cut: read it again
        // with more room.
        const std::wstring wideSection = WideFromUtf8(section);
        const std::wstring wideKey = WideFromUtf8(key);
        for (DWORD size = 1024;; size *= 2) {
            std::wstring buffer(size, L'\0');
            const DWORD length =
                GetProfileStringW(wideSection.c_str(), wideKey.c_str(), L"", buffer.data(), size);
            if (length < size - 1 || size >= kMaxProfileValue) {
                buffer.resize(length);
                return Utf8FromWide(buffer);
            }
        }
    }

    int Capability(const std::string& device, const std::string& port, std::uint16_t capability,
                   void* output, std::size_t /*room*/) override {
        return DeviceCapabilitiesW(WideFromUtf8(device).c_str(), WideFromUtf8(port).c_str(),
                                   capability, static_cast<LPWSTR>(output), nullptr);
    }

    std::uint32_t PlatformId() override {
        OSVERSIONINFOW version{};
        version.dwOSVersionInfoSize = sizeof version;
        GetVersionExW(&version);
        return version.dwPlatformId;
    }

    std::string SystemMessage(std::uint32_t error) override {
        wchar_t text[1024] = {};
        const DWORD length =
            FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           error, 0, text, sizeof text / sizeof text[0], nullptr);
        std::string message = Utf8FromWide(std::wstring_view(text, length));
        while (!message.empty() &&
               (message.back() == '\r' || message.back() == '\n' || message.back() == ' '))
            message.pop_back();
        return message;
    }
};

} // namespace

std::unique_ptr<WinspoolApi> MakeSystemWinspoolApi() {
    return std::make_unique<SystemWinspoolApi>();
}

} // namespace kevo::platform::winspool
