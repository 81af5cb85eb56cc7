#pragma once

// The program's window-free logic put together as the program puts it
// together (printer catalogue, main window logic, a scripted user), over a
// temporary folder of its own, for the fault and hostile-input tests.

#include "MainWindowLogicFixture.h"

#include "main/ConfigTable.h"
#include "main/MainWindowLogic.h"
#include "platform/printing/SimulatedPrintingService.h"
#include "printsetup/PrinterCatalogue.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

namespace kevo::faults {

namespace fs = std::filesystem;

// A fresh folder (its real path, links resolved), removed with its contents.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "kevo-faults-") {
        std::string pattern = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        path_ = fs::canonical(pattern).string();
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Every name in the folder and its subfolders, relative, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(path_))
            names.push_back(fs::relative(entry.path(), path_).string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The program's logic on a printing service described by a simulated
// printers text (see src/platform/printing/SIMULATED.md).
class Program {
public:
    explicit Program(const std::string& printers)
        : service(platform::SimulatedPrintingService::FromText(printers)), catalogue(service),
          prompter(ui), dialog(catalogue), form(catalogue, prompter, ui) {
        catalogue.FormCreate();
        form.SetPrintSetupDialog(&dialog);
    }

    // Start-up as the program runs it: creation, the check unless the run is
    // terminating, the run-mode decision. windowsDir stands in for the
    // Windows directory (the configuration folder).
    void StartUp(const std::vector<std::string>& arguments, const std::string& windowsDir) {
        main::PathContext context;
        context.style = main::PathStyle::Posix;
        context.executableDirectory = windowsDir + "/bin/";
        context.setupFileFolder = windowsDir;
        context.fileExists = [](const std::string& path) { return fs::is_regular_file(path); };
        form.FormCreate(arguments, context);
        if (!ui.terminationRequested)
            form.StartupCheck();
        form.RunModeDecision();
    }

    main::ConfigTable& Table() { return form.Table(); }
    const std::vector<std::string>& ErrorReports() const { return prompter.script.ErrorReports(); }

    main::fixture::FakeUi ui;
    platform::SimulatedPrintingService service;
    printsetup::PrinterCatalogue catalogue;
    main::fixture::TerminatingPrompter prompter;
    main::fixture::FakePrintSetupDialog dialog;
    main::MainWindowLogic form;
};

} // namespace kevo::faults
