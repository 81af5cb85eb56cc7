// SPDX-License-Identifier: Apache-2.0
#pragma once

// A fresh folder of the test's own, removed with everything in it when the
// test is done. Whole files are written and read with Files.h, which comes
// with it.

#include "Files.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kevo::test {

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
