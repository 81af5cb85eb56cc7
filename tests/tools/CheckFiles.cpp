#include "CheckFiles.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

namespace kevo::test {

namespace fs = std::filesystem;

std::string SetupSection(int line, const std::string& name, const std::string& device,
                         const std::string& port, const std::string& driver,
                         const std::string& source1, const std::string& tray1,
                         const std::string& source2, const std::string& tray2) {
    return "[" + std::to_string(line) + "]\r\nName=" + name + "\r\nDevice=" + device +
           "\r\nPort=" + port + "\r\nDriver=" + driver + "\r\nPaperSourceName1=" + source1 +
           "\r\nPaperSource1=" + tray1 + "\r\nPaperSourceName2=" + source2 +
           "\r\nPaperSource2=" + tray2 + "\r\n";
}

CheckFolder::CheckFolder() {
    std::string pattern = (fs::temp_directory_path() / "kevo-check-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

CheckFolder::~CheckFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string CheckFolder::Write(const std::string& name, const std::string& bytes) const {
    const fs::path path = path_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

std::map<std::string, std::string> CheckFolder::Snapshot() const {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(path_)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        std::string state = std::to_string(info.st_mode) + " " +
                            std::to_string(info.st_mtim.tv_sec) + "." +
                            std::to_string(info.st_mtim.tv_nsec);
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            state += " " + bytes.str();
        }
        entries[fs::relative(entry.path(), path_).string()] = state;
    }
    return entries;
}

} // namespace kevo::test
