// The profile functions on their own: all the settings code needs of a desktop.
#pragma once

#include <string>
#include <string_view>

namespace nuvo {

// The profile functions: keys and values in sections of INI files.
class ProfileFunctions {
public:
    virtual ~ProfileFunctions() = default;
    // The value of key in section of the profile file, at most 1023 bytes, or "" when
    // the file, section or key is missing.
    virtual std::string GetProfileString(std::string_view section, std::string_view key,
                                         std::string_view fileName) = 0;
    // Sets the key, creating file and section as needed; false on failure.
    virtual bool WriteProfileString(std::string_view section, std::string_view key,
                                    std::string_view value, std::string_view fileName) = 0;
};

}  // namespace nuvo
