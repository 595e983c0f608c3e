// The INI-file object over the platform's profile functions. It holds nothing but the
// file name: every read and write goes to the file at once, one key at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/profile_functions.h"
#include "ui/sysutils.h"

namespace nuvo {

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// Integer value text as ReadInteger reads it: "0x…" and "0X…" as hexadecimal, then the
// rules of TryStrToInt; nothing when the text does not convert.
std::optional<std::int32_t> TryIniTextToInt(std::string text);

class TIniFile {
public:
    TIniFile(ProfileFunctions& profile, std::string fileName);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(std::string_view section, std::string_view ident);
    // "0x…" and "0X…" are read as hexadecimal; text that does not convert gives the default.
    std::int32_t ReadInteger(std::string_view section, std::string_view ident,
                             std::int32_t defaultValue);
    // Any non-zero integer is true.
    bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue);

    // Each throws EIniFileException ("<file> に書き込めません") when the write fails.
    void WriteString(std::string_view section, std::string_view ident, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view ident, std::int32_t value);
    void WriteBool(std::string_view section, std::string_view ident, bool value);  // "1" or "0"

private:
    ProfileFunctions& profile_;
    std::string fileName_;
};

}  // namespace nuvo
