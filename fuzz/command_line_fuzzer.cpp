// The first-argument splitter on any bytes: no argument holds a quote or a NUL or is longer
// than the line, the raw-text command line reads the same first argument, and any bytes
// given as one quoted argument come back unchanged.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using nuvo::ParamStr;
    using nuvo::fuzz::Check;
    const std::string line(reinterpret_cast<const char*>(data), size);

    for (int index = 0; index < 4; ++index) {
        const std::string argument = ParamStr(line, index);
        Check(argument.find('"') == std::string::npos, "an argument holds a quote");
        Check(argument.find('\0') == std::string::npos, "an argument holds a NUL");
        Check(argument.size() <= line.size(), "an argument is longer than the line");
    }
    Check(nuvo::CommandLine::FromRawText(line).FirstArgument() == ParamStr(line, 1),
          "the command line reads another first argument");

    // The bytes as they could stand inside quotes: the line ends at a NUL, a quote ends the group.
    std::string inner = line.substr(0, line.find('\0'));
    std::erase(inner, '"');
    if (!inner.empty()) {
        Check(ParamStr("prog \"" + inner + "\" /s", 1) == inner, "a quoted argument changed");
        Check(ParamStr("prog \"" + inner, 1) == inner, "an unclosed quoted argument changed");
        const bool hasSeparator = std::any_of(inner.begin(), inner.end(),
                                              [](char c) { return static_cast<unsigned char>(c) <= ' '; });
        if (!hasSeparator) Check(ParamStr("prog " + inner + " /s", 1) == inner, "a plain argument changed");
    }
    return 0;
}
