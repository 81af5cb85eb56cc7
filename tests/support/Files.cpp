// SPDX-License-Identifier: Apache-2.0
#include "Files.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace kevo::test {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> TryRead(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

} // namespace

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string ReadBytes(const fs::path& path) {
    std::optional<std::string> bytes = TryRead(path);
    if (!bytes)
        throw std::runtime_error("cannot read " + path.string());
    return std::move(*bytes);
}

std::string ReadBytesOrEmpty(const fs::path& path) {
    return TryRead(path).value_or(std::string());
}

std::string FileTail(const fs::path& path, std::size_t maxBytes) {
    std::optional<std::string> all = TryRead(path);
    if (!all)
        return "(no output file " + path.string() + ")";
    if (all->size() > maxBytes)
        return "..." + all->substr(all->size() - maxBytes);
    return std::move(*all);
}

} // namespace kevo::test
