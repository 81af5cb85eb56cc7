// SPDX-License-Identifier: Apache-2.0
#include "platform/SystemPaths.h"

#include "platform/FontFiles.h"

#include "platform/text/WideText.h"
#include "platform/win/SystemFolder.h"

#include <fcntl.h>
#include <io.h>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::platform {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

} // namespace

std::string ExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        // A path that fills the buffer may have been cut.
        if (length < buffer.size())
            return Utf8FromWide(std::wstring_view(buffer.data(), length));
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string ExecutableDirectory() {
    const std::string path = ExecutablePath();
    const auto separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string SetupFileFolder() {
    return Utf8FromWide(win::ReadSystemFolder(
        [](wchar_t* buffer, std::uint32_t size) { return GetWindowsDirectoryW(buffer, size); },
        win::kWindowsDirectoryBufferSize));
}

std::string SamplesFolder() {
    return ExecutableDirectory() + "samples";
}

std::string LocalAppDataFolder() {
    const wchar_t* name = L"LOCALAPPDATA";
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    if (value.empty())
        return {};
    const DWORD length =
        GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 || length >= value.size())
        return {};
    value.resize(length);
    return Utf8FromWide(value);
}

std::string CurrentUserName() {
    wchar_t name[257] = {};
    DWORD length = 257;
    if (GetUserNameW(name, &length) == 0 || length == 0)
        return {};
    return Utf8FromWide(std::wstring_view(name, length - 1));
}

bool EnsureDirectory(const std::string& path) {
    if (path.empty())
        return false;
    if (DirectoryExists(path))
        return true;
    // The parent first; a drive ("C:") or the root of a share ends the climb.
    std::size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1]))
        --end;
    std::size_t separator = end;
    while (separator > 0 && !IsSeparator(path[separator - 1]))
        --separator;
    if (separator > 1) {
        const std::string parent = path.substr(0, separator - 1);
        const bool isDrive = parent.size() == 2 && parent[1] == ':';
        if (!isDrive && !EnsureDirectory(parent))
            return false;
    }
    return CreateDirectoryW(WideFromUtf8(path).c_str(), nullptr) != 0 ||
           (GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(path));
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FontFolders SystemFontFolders() {
    FontFolders folders;
    folders.windowsDirectory = SetupFileFolder();
    // Wine says so itself: its ntdll exports wine_get_version, Windows' does
    // not. Only then is Wine asked how this process names the Unix folder of
    // Wine's own fonts.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    folders.underWine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    if (!folders.underWine)
        return folders;
    using DosFileName = WCHAR*(CDECL*)(LPCSTR);
    const auto dosFileName = reinterpret_cast<DosFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (dosFileName == nullptr)
        return folders;
    if (WCHAR* name = dosFileName("/usr/share/wine/fonts")) {
        folders.wineFonts = Utf8FromWide(name);
        HeapFree(GetProcessHeap(), 0, name);
    }
    return folders;
}

} // namespace kevo::platform
