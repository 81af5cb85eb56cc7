// SPDX-License-Identifier: Apache-2.0
#include "WindowsTestSupport.h"

#include "platform/text/WideText.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::testing {

namespace {

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &entry) != 0);
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

TemporaryFolder::TemporaryFolder() {
    static std::atomic<int> counter{0};
    char base[MAX_PATH + 1] = {};
    GetTempPathA(sizeof base, base);
    std::string root = base;
    if (!root.empty() && root.back() == '\\')
        root.pop_back();
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = root + "\\kevo-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(counter++);
        if (CreateDirectoryA(path_.c_str(), nullptr) != 0)
            return;
    }
    throw std::runtime_error("no temporary folder could be made under " + root);
}

TemporaryFolder::~TemporaryFolder() {
    RemoveTree(path_);
}

std::string TemporaryFolder::File(const std::string& name) const {
    return path_ + "\\" + name;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int RunProcess(const std::string& program, const std::string& commandLine, int timeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring line = platform::WideFromUtf8(commandLine);
    if (CreateProcessW(platform::WideFromUtf8(program).c_str(), line.data(), nullptr, nullptr,
                       FALSE, 0, nullptr, nullptr, &startup, &process) == 0) {
        // Said, so that a failure names its cause (scripts/wine.sh tells one).
        std::fprintf(stderr, "CreateProcessW failed with error %lu\n", GetLastError());
        return -1;
    }
    const DWORD waited = WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeoutMs));
    DWORD code = 0;
    if (waited == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else {
        std::fprintf(stderr, "the child did not end within %d ms\n", timeoutMs);
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return waited == WAIT_OBJECT_0 ? static_cast<int>(code) : -1;
}

std::string OwnPath() {
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return platform::Utf8FromWide(std::wstring_view(path, length));
}

std::string Printable(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const unsigned char c : bytes) {
        if (c >= 32 && c < 127 && c != '\\') {
            text += static_cast<char>(c);
        } else {
            text += "\\x";
            text += kDigits[c >> 4];
            text += kDigits[c & 15];
        }
    }
    return text;
}

std::vector<std::string> PrintableAll(const std::vector<std::string>& texts) {
    std::vector<std::string> shown;
    for (const std::string& text : texts)
        shown.push_back(Printable(text));
    return shown;
}

} // namespace kevo::testing
