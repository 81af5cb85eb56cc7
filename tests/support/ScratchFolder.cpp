// SPDX-License-Identifier: Apache-2.0
#include "ScratchFolder.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <stdexcept>

namespace kevo::test {

namespace fs = std::filesystem;

fs::path MakeScratchFolder(const std::string& prefix) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
        const fs::path folder = base / (prefix + suffix);
        // False without an error: the name is taken, so another is tried.
        if (fs::create_directory(folder)) {
            fs::permissions(folder, fs::perms::owner_all);
            return fs::canonical(folder);
        }
    }
    throw std::runtime_error("cannot make a folder under " + base.string());
}

ScratchFolder::ScratchFolder(const std::string& prefix) : path_(MakeScratchFolder(prefix)) {}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ScratchFolder::Write(const std::string& name, const std::string& bytes) const {
    const std::string path = *this / name;
    fs::create_directories(fs::path(path).parent_path());
    WriteBytes(path, bytes);
    return path;
}

std::vector<std::string> ScratchFolder::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(path_))
        names.push_back(entry.path().lexically_relative(path_).string());
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> ScratchFolder::Snapshot() const {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(path_)) {
        const fs::file_status status = entry.symlink_status();
        std::string state = std::to_string(static_cast<int>(status.type())) + " " +
                            std::to_string(static_cast<unsigned>(status.permissions())) + " ";
        if (status.type() == fs::file_type::symlink) {
            state += "-> " + fs::read_symlink(entry.path()).string();
        } else {
            state += std::to_string(entry.last_write_time().time_since_epoch().count());
            if (status.type() == fs::file_type::regular)
                state += " " + ReadBytes(entry.path());
        }
        entries[entry.path().lexically_relative(path_).string()] = state;
    }
    return entries;
}

} // namespace kevo::test
