// SPDX-License-Identifier: Apache-2.0
// Loading and saving a setup file of 99 sections with 8 keys each, the way
// the configurator's load and save go through the profile file.

#include "platform/profile/ProfileFile.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <benchmark/benchmark.h>

namespace {

using kevo::platform::ProfileFile;

constexpr int kLines = 99;
constexpr std::array<const char*, 8> kKeys = {
    "Name",         "Device",           "Port",        "Driver", "PaperSourceName1",
    "PaperSource1", "PaperSourceName2", "PaperSource2"};

std::string ValueOf(int line, std::size_t key) {
    static const std::array<std::string, 8> kSamples = {"Invoices",
                                                        "Office Laser 4250 PCL6",
                                                        "ipp://printserver.example/printers/office",
                                                        "Office Laser 4250 PCL6",
                                                        "Upper tray",
                                                        "256",
                                                        "Manual feed",
                                                        "4"};
    std::string value = kSamples[key];
    if (key == 0) {
        value += ' ';
        value += std::to_string(line);
    }
    return value;
}

class SetupFolder {
public:
    SetupFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kevo-profile-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        folder_ = pattern;
        path_ = folder_ + "/setup.ini";
        Fill();
    }
    // Every line named: the file as a full save leaves it.
    void Fill() const {
        ProfileFile file(path_);
        for (int line = 1; line <= kLines; ++line) {
            for (std::size_t key = 0; key < kKeys.size(); ++key) {
                file.WriteString(std::to_string(line), kKeys[key], ValueOf(line, key));
            }
        }
        file.Flush();
    }
    ~SetupFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::string& Path() const { return path_; }

private:
    std::string folder_;
    std::string path_;
};

// One load: 99 sections with 8 reads each.
void BM_Load(benchmark::State& state) {
    SetupFolder folder;
    for (auto _ : state) {
        ProfileFile file(folder.Path());
        for (int line = 1; line <= kLines; ++line) {
            const std::string section = std::to_string(line);
            for (const char* key : kKeys) {
                benchmark::DoNotOptimize(file.ReadString(section, key));
            }
        }
    }
}
BENCHMARK(BM_Load)->Unit(benchmark::kMicrosecond);

// One save: the lines below namedLines write their 8 keys, the others erase
// their sections; then the flush replaces the file on disk. Each iteration
// writes the file back to its full state first, outside the timing.
void BM_Save(benchmark::State& state) {
    const int namedLines = static_cast<int>(state.range(0));
    SetupFolder folder;
    for (auto _ : state) {
        state.PauseTiming();
        folder.Fill();
        state.ResumeTiming();
        ProfileFile file(folder.Path());
        for (int line = 1; line <= kLines; ++line) {
            const std::string section = std::to_string(line);
            if (line > namedLines) {
                file.EraseSection(section);
                continue;
            }
            for (std::size_t key = 0; key < kKeys.size(); ++key) {
                file.WriteString(section, kKeys[key], ValueOf(line + 1, key));
            }
        }
        file.Flush();
    }
}
BENCHMARK(BM_Save)->Arg(99)->Arg(50)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
