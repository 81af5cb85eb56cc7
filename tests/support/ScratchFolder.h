// SPDX-License-Identifier: Apache-2.0
#pragma once

// Folders and files for the tests: a fresh folder of the test's own, removed
// with everything in it when the test is done, and whole files written and
// read byte for byte.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kevo::test {

// Writes the bytes as the whole file (made or truncated); throws
// std::runtime_error when that fails.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
// The whole file's bytes; throws std::runtime_error when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);

// Makes a new empty folder, open to its owner only, under the system's
// temporary folder ($TMPDIR, else /tmp), its name prefix and a random part;
// gives its real path (links resolved). The caller removes it.
std::filesystem::path MakeScratchFolder(const std::string& prefix);

// A folder made by MakeScratchFolder and removed with everything in it when
// the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix = "kevo-test-");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The path of a name (which may hold folders) in the folder.
    std::string operator/(const std::string& name) const { return path_.string() + "/" + name; }

    // Writes a file in the folder, making the folders on its way; gives its
    // path.
    std::string Write(const std::string& name, const std::string& bytes) const;

    // Every name below the folder (files, folders, links), relative to it,
    // sorted.
    std::vector<std::string> Names() const;

    // Every name below the folder with its type, permissions and
    // modification time (a link: its target), and a file's bytes, so that a
    // test can tell that nothing was written, made or removed.
    std::map<std::string, std::string> Snapshot() const;

private:
    std::filesystem::path path_;
};

} // namespace kevo::test
