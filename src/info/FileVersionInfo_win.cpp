// SPDX-License-Identifier: Apache-2.0
#include "info/FileVersionInfo.h"

#include "platform/text/WideText.h"

#include <cstring>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <winver.h>

namespace kevo::info {

namespace {

class ResourceBlock final : public VersionBlock {
public:
    explicit ResourceBlock(std::vector<char> data) : data_(std::move(data)) {}

    std::optional<FixedFileInfo> Root() const override {
        UINT length = 0;
        void* value = Query(L"\\", length);
        if (value == nullptr || length < sizeof(VS_FIXEDFILEINFO))
            return std::nullopt;
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        return FixedFileInfo{fixed->dwFileVersionMS, fixed->dwFileVersionLS};
    }

    std::vector<Translation> Translations() const override {
        UINT length = 0;
        void* value = Query(L"\\VarFileInfo\\Translation", length);
        std::vector<Translation> table;
        if (value == nullptr)
            return table;
        // Each entry: the language id, then the code page, 16 bits each.
        const auto* words = static_cast<const WORD*>(value);
        for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2)
            table.push_back({words[i], words[i + 1]});
        return table;
    }

    std::optional<std::string> Value(const std::string& subBlock) const override {
        UINT length = 0;
        void* value = Query(platform::WideFromUtf8(subBlock).c_str(), length);
        if (value == nullptr)
            return std::nullopt;
        // A text's length is in wide characters here.
        return platform::Utf8FromWideField(static_cast<const wchar_t*>(value), length);
    }

private:
    void* Query(const wchar_t* subBlock, UINT& length) const {
        void* value = nullptr;
        // The services do not change the block; the cast only meets the
        // declaration of older headers.
        auto* block = const_cast<char*>(data_.data());
        if (VerQueryValueW(block, subBlock, &value, &length) == 0)
            return nullptr;
        return value;
    }

    std::vector<char> data_;
};

class FileVersion final : public VersionInformation {
public:
    explicit FileVersion(std::string path) : path_(std::move(path)) {}

    std::size_t Size() const override {
        DWORD ignored = 0;
        return GetFileVersionInfoSizeW(platform::WideFromUtf8(path_).c_str(), &ignored);
    }

    std::unique_ptr<VersionBlock> Read() const override {
        const std::size_t size = Size();
        if (size == 0)
            return nullptr;
        std::vector<char> data(size);
        if (GetFileVersionInfoW(platform::WideFromUtf8(path_).c_str(), 0, static_cast<DWORD>(size),
                                data.data()) == 0)
            return nullptr;
        return std::make_unique<ResourceBlock>(std::move(data));
    }

private:
    std::string path_;
};

} // namespace

std::unique_ptr<VersionInformation> FileVersionInformation(std::string path) {
    return std::make_unique<FileVersion>(std::move(path));
}

} // namespace kevo::info
