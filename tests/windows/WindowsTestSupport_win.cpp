// SPDX-License-Identifier: Apache-2.0
#include "WindowsTestSupport.h"

#include "platform/text/WideText.h"

#include <atomic>
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

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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
