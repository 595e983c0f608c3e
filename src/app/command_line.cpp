#include "app/command_line.h"

#include <utility>

namespace nuvo {
namespace {

// Reads one argument starting at `at` and returns where the next one starts.
std::size_t NextParam(std::string_view line, std::size_t at, std::string& param) {
    const auto ch = [&](std::size_t i) -> unsigned char {
        return i < line.size() ? static_cast<unsigned char>(line[i]) : 0;
    };
    for (;;) {
        while (ch(at) != 0 && ch(at) <= ' ') ++at;
        if (ch(at) == '"' && ch(at + 1) == '"') {
            at += 2;  // an empty quoted pair counts as a separator
        } else {
            break;
        }
    }
    param.clear();
    while (ch(at) > ' ') {
        if (ch(at) == '"') {
            ++at;
            while (ch(at) != 0 && ch(at) != '"') param += static_cast<char>(ch(at++));
            if (ch(at) != 0) ++at;
        } else {
            param += static_cast<char>(ch(at++));
        }
    }
    return at;
}

}  // namespace

std::string ParamStr(std::string_view commandLine, int index) {
    // The line ends at its first NUL, as a C string would.
    commandLine = commandLine.substr(0, commandLine.find('\0'));
    std::string param;
    std::size_t at = 0;
    for (;;) {
        at = NextParam(commandLine, at, param);
        if (index == 0 || param.empty()) return param;
        --index;
    }
}

CommandLine CommandLine::FromRawText(std::string text) {
    CommandLine result;
    result.isRawText_ = true;
    result.rawText_ = std::move(text);
    return result;
}

CommandLine CommandLine::FromArguments(std::vector<std::string> arguments) {
    CommandLine result;
    result.arguments_ = std::move(arguments);
    return result;
}

std::string CommandLine::FirstArgument() const {
    if (isRawText_) return ParamStr(rawText_, 1);
    for (std::size_t i = 1; i < arguments_.size(); ++i) {
        if (!arguments_[i].empty()) return arguments_[i];
    }
    return {};
}

}  // namespace nuvo
