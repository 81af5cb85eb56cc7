#pragma once

// Names and setup files for the tests of kevoconf-check, and a folder to
// hold them that tells whether anything in it changed.

#include <filesystem>
#include <map>
#include <string>

namespace kevo::test {

// One section of a setup file, as the program writes it.
std::string SetupSection(int line, const std::string& name, const std::string& device,
                         const std::string& port, const std::string& driver,
                         const std::string& source1, const std::string& tray1,
                         const std::string& source2, const std::string& tray2);

// A temporary folder, removed with everything in it at the end.
class CheckFolder {
public:
    CheckFolder();
    ~CheckFolder();
    CheckFolder(const CheckFolder&) = delete;
    CheckFolder& operator=(const CheckFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // Writes a file (folders on the way are made); gives its path.
    std::string Write(const std::string& name, const std::string& bytes) const;

    // Every file and folder below the folder, with its bytes (files) and
    // its modification time, so that a test can tell that nothing was
    // written, made or removed.
    std::map<std::string, std::string> Snapshot() const;

private:
    std::filesystem::path path_;
};

} // namespace kevo::test
