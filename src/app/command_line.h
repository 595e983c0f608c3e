// The program's command line, as the platform hands it over.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

// Splits a raw Windows command line the way the program's entry reads it: arguments are
// separated by characters of code 1 to 32; a double quote starts a group running to the
// next double quote (or the end), quotes dropped, text next to a group joining it; two
// double quotes at the start of an argument are skipped like a separator. Bytes of 128 and
// above belong to arguments, so UTF-8 text splits correctly. Index 0 is the program name.
std::string ParamStr(std::string_view commandLine, int index);

class CommandLine {
public:
    // A raw command line, split by ParamStr (Windows, the headless tests).
    static CommandLine FromRawText(std::string text);
    // Arguments already split by the system (Linux argv); empty arguments are skipped
    // as an empty quoted pair is on Windows.
    static CommandLine FromArguments(std::vector<std::string> arguments);

    // The first argument after the program name, or "" when there is none.
    std::string FirstArgument() const;

private:
    bool isRawText_ = false;
    std::string rawText_;
    std::vector<std::string> arguments_;
};

}  // namespace nuvo
