#include "ui/ini_files.h"

#include <utility>

namespace nuvo {

std::optional<std::int32_t> TryIniTextToInt(std::string text) {
    // C-style hexadecimal is read as the "$" form; "0x" alone stays as it is and fails.
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.replace(0, 2, "$");
    }
    return TryStrToInt(text);
}

TIniFile::TIniFile(ProfileFunctions& profile, std::string fileName)
    : profile_(profile), fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident) {
    return profile_.GetProfileString(section, ident, fileName_);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view ident,
                                   std::int32_t defaultValue) {
    return TryIniTextToInt(ReadString(section, ident)).value_or(defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident, bool defaultValue) {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view ident,
                           std::string_view value) {
    if (!profile_.WriteProfileString(section, ident, value, fileName_)) {
        throw EIniFileException(fileName_ + " に書き込めません");
    }
}

void TIniFile::WriteInteger(std::string_view section, std::string_view ident,
                            std::int32_t value) {
    WriteString(section, ident, IntToStr(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

}  // namespace nuvo
