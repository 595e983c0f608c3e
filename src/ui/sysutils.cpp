#include "ui/sysutils.h"

#include <cstddef>

namespace nuvo {

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// "$" has been consumed: one or more hex digits, at most eight of them significant.
std::optional<std::int32_t> ParseHexadecimal(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint32_t value = 0;
    int significantDigits = 0;
    for (char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        if (value == 0 && digit == 0) continue;  // leading zeros never count
        if (++significantDigits > 8) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    // Conversion to a signed type is modular since C++20: $FFFFFFFF is -1.
    return static_cast<std::int32_t>(value);
}

// Optional sign, then one or more decimal digits within the 32-bit range.
std::optional<std::int32_t> ParseDecimal(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    // The magnitude stops growing once it is out of range, so it cannot overflow.
    constexpr std::int64_t kLargestMagnitude = 2147483648;  // of -2147483648
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (!IsDecimalDigit(c)) return std::nullopt;
        if (magnitude <= kLargestMagnitude) magnitude = magnitude * 10 + (c - '0');
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
    const std::size_t firstNonBlank = text.find_first_not_of(' ');
    if (firstNonBlank == std::string_view::npos) return std::nullopt;  // empty or blanks only
    text.remove_prefix(firstNonBlank);
    if (text.front() == '$') return ParseHexadecimal(text.substr(1));
    return ParseDecimal(text);
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue) {
    return TryStrToInt(text).value_or(defaultValue);
}

std::string IntToStr(std::int32_t value) { return std::to_string(value); }

}  // namespace nuvo
