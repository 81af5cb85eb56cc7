// SPDX-License-Identifier: Apache-2.0
#include "SchedulerQueries.h"

#include "Files.h"

#include <sstream>

namespace kevo::test {

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

// lpoptions writes name=value pairs separated by blanks; a value may be
// quoted with ' or " and may escape a character with a backslash.
std::vector<std::string> SplitOptions(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    char quote = '\0';
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            word += text[++i];
            inWord = true;
        } else if (quote != '\0') {
            if (c == quote)
                quote = '\0';
            else
                word += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\n' || c == '\t') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

} // namespace

std::vector<std::string> LpstatDestinations(const PrivateScheduler& scheduler) {
    return Lines(scheduler.Run({"lpstat", "-e"}));
}

std::map<std::string, std::string> LpoptionsOf(const PrivateScheduler& scheduler,
                                               const std::string& printer) {
    std::map<std::string, std::string> options;
    for (const std::string& word : SplitOptions(scheduler.Run({"lpoptions", "-p", printer}))) {
        const std::size_t equals = word.find('=');
        if (equals == std::string::npos)
            options[word] = "";
        else
            options[word.substr(0, equals)] = word.substr(equals + 1);
    }
    return options;
}

std::string LpstatDefault(const PrivateScheduler& scheduler) {
    const std::string prefix = "system default destination: ";
    for (const std::string& line : Lines(scheduler.Run({"lpstat", "-d"}))) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return line.substr(prefix.size());
    }
    return {};
}

PpdFileSources ReadPpdFileSources(const std::filesystem::path& ppd) {
    PpdFileSources sources;
    std::istringstream in(ReadBytesOrEmpty(ppd));
    std::string line;
    const std::string slot = "*InputSlot ";
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, 17, "*ManualFeed True:") == 0 ||
            line.compare(0, 17, "*ManualFeed True/") == 0) {
            sources.hasManualFeedTrue = true;
        }
        if (line.compare(0, slot.size(), slot) != 0)
            continue;
        // *InputSlot Keyword/Text: "code"  or  *InputSlot Keyword: "code"
        const std::string option = line.substr(slot.size(), line.find(':') - slot.size());
        const std::size_t slash = option.find('/');
        sources.inputSlotTexts.push_back(slash == std::string::npos ? option
                                                                    : option.substr(slash + 1));
    }
    return sources;
}

} // namespace kevo::test
