// The integer text rules on any bytes, against a second reading of the same rules written
// another way (std::from_chars on the digits), and the round trip through IntToStr.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "fuzz_check.h"
#include "ui/sysutils.h"

namespace {

bool IsDecimal(char c) { return c >= '0' && c <= '9'; }
bool IsHexadecimal(char c) {
    return IsDecimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The digits without their leading zeros, one zero kept for a value of zero.
std::string_view Significant(std::string_view digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? digits.substr(digits.size() - 1) : digits.substr(first);
}

std::optional<std::int32_t> ExpectedValue(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    if (text.front() == '$') {
        std::string_view digits = text.substr(1);
        if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsHexadecimal)) return std::nullopt;
        digits = Significant(digits);
        if (digits.size() > 8) return std::nullopt;
        std::uint32_t value = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        return static_cast<std::int32_t>(value);
    }
    const bool negative = text.front() == '-';
    if (text.front() == '-' || text.front() == '+') text.remove_prefix(1);
    if (text.empty() || !std::all_of(text.begin(), text.end(), IsDecimal)) return std::nullopt;
    text = Significant(text);
    if (text.size() > 10) return std::nullopt;
    std::int64_t magnitude = 0;
    std::from_chars(text.data(), text.data() + text.size(), magnitude);
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using nuvo::fuzz::Check;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int32_t> value = nuvo::TryStrToInt(text);
    Check(value == ExpectedValue(text), "TryStrToInt differs from the rules");
    Check(nuvo::StrToIntDef(text, 350) == value.value_or(350), "StrToIntDef differs from TryStrToInt");
    if (value) {
        Check(nuvo::TryStrToInt(nuvo::IntToStr(*value)) == value, "IntToStr does not read back");
    }
    return 0;
}
