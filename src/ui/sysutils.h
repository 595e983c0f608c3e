// Text and number conversions of the form library.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace nuvo {

// The library's error type. The message is UTF-8 and shown to the user as it stands.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Converts integer text: leading blanks (code 32 only), then an optional sign and one or
// more decimal digits within the 32-bit range, or "$" and one to eight significant
// hexadecimal digits taken as a 32-bit two's-complement number. Nothing may follow.
std::optional<std::int32_t> TryStrToInt(std::string_view text);
std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue);

std::string IntToStr(std::int32_t value);

}  // namespace nuvo
