// SPDX-License-Identifier: Apache-2.0
#include "platform/printing/SimulatedPrinters.h"

#include "platform/text/TextCoding.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace kevo::platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return text.substr(i);
}

std::string_view TrimTrailingBlanks(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1]))
        --n;
    return text.substr(0, n);
}

// A text for an error message: in double quotes, with control characters,
// quotes and backslashes written as escapes so that nothing invisible hides.
std::string Quoted(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 32 || byte == 127) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Parser {
public:
    explicit Parser(std::string_view source) : source_(source) {}

    SimulatedPrinters Parse(std::string_view text) {
        // A byte-order mark that an editor put in front of the first line.
        if (text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        for (;;) {
            ++line_;
            const std::size_t end = text.find('\n');
            std::string_view lineText = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            if (!lineText.empty() && lineText.back() == '\r')
                lineText.remove_suffix(1);
            ParseLine(lineText);
            if (end == std::string_view::npos)
                break;
        }
        return std::move(result_);
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw SimulatedFileError(SimulatedFileError::Kind::Invalid,
                                 std::string(source_) + ", line " + std::to_string(line_) + ": " +
                                     what);
    }

    void ParseLine(std::string_view lineText) {
        lineText = SkipBlanks(lineText);
        if (lineText.empty() || lineText.front() == '#')
            return;
        std::size_t keywordEnd = 0;
        while (keywordEnd < lineText.size() && !IsBlank(lineText[keywordEnd]))
            ++keywordEnd;
        keyword_ = lineText.substr(0, keywordEnd);
        const std::string_view rest = SkipBlanks(lineText.substr(keywordEnd));

        if (keyword_ == "printer")
            StartPrinter(rest);
        else if (keyword_ == "port")
            AddPort(rest);
        else if (keyword_ == "devices")
            SetDevicesValue(rest);
        else if (keyword_ == "bin")
            AddBin(rest);
        else if (keyword_ == "bin-name")
            AddBinName(Text(rest));
        else if (keyword_ == "bin-number")
            CurrentPrinter().binNumbers.push_back(BinNumber(WholeWord(rest)));
        else if (keyword_ == "names-count")
            SetAnswer(CurrentPrinter().binNameCountAnswer, rest);
        else if (keyword_ == "names-data")
            SetAnswer(CurrentPrinter().binNameDataAnswer, rest);
        else if (keyword_ == "numbers-count")
            SetAnswer(CurrentPrinter().binNumberCountAnswer, rest);
        else if (keyword_ == "numbers-data")
            SetAnswer(CurrentPrinter().binNumberDataAnswer, rest);
        else if (keyword_ == "delay")
            SetDelay(rest);
        else if (keyword_ == "default")
            AddDefault(rest);
        else if (keyword_ == "default-fails")
            SetDefaultFailure(rest);
        else if (keyword_ == "windows-device")
            SetWindowsDevice(rest);
        else if (keyword_ == "ports")
            SetPortKind(rest);
        else
            Fail("unknown keyword " + Quoted(keyword_));
    }

    // The value of a line: the rest of the line without trailing blanks, or
    // a double-quoted text with escapes.
    std::string Text(std::string_view rest) {
        if (rest.empty())
            Fail(std::string(keyword_) + " needs a value");
        if (rest.front() != '"')
            return std::string(TrimTrailingBlanks(rest));
        std::string out;
        std::size_t i = 1;
        for (;;) {
            if (i >= rest.size())
                Fail("missing closing quote");
            const char c = rest[i++];
            if (c == '"')
                break;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i >= rest.size())
                Fail("missing closing quote");
            const char e = rest[i++];
            switch (e) {
            case '"':
            case '\\':
                out += e;
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case '0':
                out += '\0';
                break;
            case 'x': {
                const int high = i < rest.size() ? HexDigit(rest[i]) : -1;
                const int low = i + 1 < rest.size() ? HexDigit(rest[i + 1]) : -1;
                if (high < 0 || low < 0)
                    Fail("\\x must be followed by two hexadecimal digits");
                out += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                Fail("unknown escape \\" + std::string(1, e) +
                     " (known: \\\" \\\\ \\t \\r \\n \\0 \\xHH)");
            }
        }
        if (!SkipBlanks(rest.substr(i)).empty())
            Fail("unexpected text after the closing quote");
        return out;
    }

    // The first blank-separated word of rest; rest keeps what follows.
    std::string_view FirstWord(std::string_view& rest) {
        std::size_t end = 0;
        while (end < rest.size() && !IsBlank(rest[end]))
            ++end;
        const std::string_view word = rest.substr(0, end);
        rest = SkipBlanks(rest.substr(end));
        return word;
    }

    // rest must be one word and nothing else.
    std::string_view WholeWord(std::string_view rest) {
        const std::string_view word = FirstWord(rest);
        if (word.empty())
            Fail(std::string(keyword_) + " needs a value");
        if (!TrimTrailingBlanks(rest).empty())
            Fail("unexpected text after " + Quoted(word));
        return word;
    }

    int Integer(std::string_view word) {
        int value = 0;
        const char* first = word.data();
        const char* last = word.data() + word.size();
        const auto [end, error] = std::from_chars(first, last, value);
        if (error == std::errc::result_out_of_range)
            Fail(Quoted(word) + " is out of range");
        if (error != std::errc() || end != last || word.empty())
            Fail(Quoted(word) + " is not a whole number");
        return value;
    }

    std::uint16_t BinNumber(std::string_view word) {
        if (!word.empty() && word.front() == '-')
            Fail("bin number " + Quoted(word) + " must be 0 to 65535");
        int value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (word.empty() || error == std::errc::invalid_argument ||
            end != word.data() + word.size())
            Fail("bin number " + Quoted(word) + " is not a whole number");
        if (error == std::errc::result_out_of_range ||
            value > std::numeric_limits<std::uint16_t>::max())
            Fail("bin number " + Quoted(word) + " must be 0 to 65535");
        return static_cast<std::uint16_t>(value);
    }

    SimulatedPrinter& CurrentPrinter() {
        if (result_.printers.empty())
            Fail(std::string(keyword_) + " must follow a printer line");
        return result_.printers.back();
    }

    void StartPrinter(std::string_view rest) {
        std::string name = Text(rest);
        if (name.empty())
            Fail("printer name is empty");
        SimulatedPrinter printer;
        printer.name = std::move(name);
        printer.line = line_;
        result_.printers.push_back(std::move(printer));
    }

    void AddPort(std::string_view rest) {
        SimulatedPrinter& printer = CurrentPrinter();
        std::string port = Text(rest);
        if (port.empty())
            Fail("port is empty (a printer without ports has no port lines)");
        printer.ports.push_back(std::move(port));
    }

    void SetDevicesValue(std::string_view rest) {
        SimulatedPrinter& printer = CurrentPrinter();
        std::string value = Text(rest);
        for (const SimulatedPrinter& other : result_.printers) {
            if (other.name == printer.name && other.devicesValue)
                Fail("printer " + Quoted(printer.name) +
                     " already has a devices value (in the printer on line " +
                     std::to_string(other.line) + ")");
        }
        printer.devicesValue = std::move(value);
    }

    void AddBinName(std::string name) {
        SimulatedPrinter& printer = CurrentPrinter();
        if (CutToCharacters(name, kBinNameFieldLength).size() < name.size())
            Fail("bin name " + Quoted(name) + " is longer than " +
                 std::to_string(kBinNameFieldLength) + " characters");
        printer.binNames.push_back(std::move(name));
    }

    void AddBin(std::string_view rest) {
        CurrentPrinter();
        const std::string_view numberWord = FirstWord(rest);
        if (numberWord.empty() || rest.empty())
            Fail("bin needs a number and a name");
        const std::uint16_t number = BinNumber(numberWord);
        AddBinName(Text(rest));
        CurrentPrinter().binNumbers.push_back(number);
    }

    void SetAnswer(std::optional<int>& answer, std::string_view rest) {
        CurrentPrinter();
        if (answer)
            Fail(std::string(keyword_) + " is given twice for this printer");
        const std::string_view word = WholeWord(rest);
        answer = word == "fail" ? -1 : Integer(word);
    }

    void SetDelay(std::string_view rest) {
        const int delay = Integer(WholeWord(rest));
        if (delay < 0 || delay > 60000)
            Fail("delay must be 0 to 60000 milliseconds");
        CurrentPrinter().delayMs = delay;
    }

    void AddDefault(std::string_view rest) {
        if (defaultFailsLine_ != 0)
            Fail("default and default-fails (line " + std::to_string(defaultFailsLine_) +
                 ") cannot both be given");
        result_.defaultPrinter.names.push_back(Text(rest));
        defaultLine_ = line_;
    }

    void SetDefaultFailure(std::string_view rest) {
        if (defaultLine_ != 0)
            Fail("default (line " + std::to_string(defaultLine_) +
                 ") and default-fails cannot both be given");
        if (defaultFailsLine_ != 0)
            Fail("default-fails is given twice");
        defaultFailsLine_ = line_;
        DefaultPrinterAnswer& answer = result_.defaultPrinter;
        const std::string_view word = FirstWord(rest);
        if (word.empty())
            Fail("default-fails needs invalid-name, or an error code and a text");
        if (word == "invalid-name") {
            if (!rest.empty())
                Fail("unexpected text after invalid-name");
            answer.status = DefaultPrinterAnswer::Status::InvalidName;
            return;
        }
        answer.status = DefaultPrinterAnswer::Status::SystemError;
        answer.errorCode = Integer(word);
        answer.errorText = rest.empty() ? std::string() : Text(rest);
    }

    void SetPortKind(std::string_view rest) {
        if (Text(rest) != "device-uris")
            Fail("ports takes device-uris");
        result_.portsAreDeviceUris = true;
    }

    void SetWindowsDevice(std::string_view rest) {
        if (windowsDeviceLine_ != 0)
            Fail("windows-device is given twice (first on line " +
                 std::to_string(windowsDeviceLine_) + ")");
        windowsDeviceLine_ = line_;
        result_.windowsDevice = Text(rest);
    }

    std::string_view source_;
    int line_ = 0;
    std::string_view keyword_;
    int defaultLine_ = 0;
    int defaultFailsLine_ = 0;
    int windowsDeviceLine_ = 0;
    SimulatedPrinters result_;
};

} // namespace

SimulatedPrinters ParseSimulatedPrinters(std::string_view text, std::string_view source) {
    return Parser(source).Parse(text);
}

SimulatedPrinters LoadSimulatedPrinters(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw SimulatedFileError(SimulatedFileError::Kind::Unreadable,
                                 "cannot read " + Quoted(path) + ": it is a folder");
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw SimulatedFileError(SimulatedFileError::Kind::Unreadable,
                                 "cannot read " + Quoted(path) + ": " + std::strerror(errno));
    std::string text;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxSimulatedFileSize)
            throw SimulatedFileError(SimulatedFileError::Kind::Invalid,
                                     Quoted(path) + " is larger than " +
                                         std::to_string(kMaxSimulatedFileSize) + " bytes");
    }
    if (file.bad())
        throw SimulatedFileError(SimulatedFileError::Kind::Unreadable,
                                 "cannot read " + Quoted(path) + ": " + std::strerror(errno));
    return ParseSimulatedPrinters(text, path);
}

} // namespace kevo::platform
