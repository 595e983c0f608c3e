// UTF-8 (the program's texts) to UTF-16 (the W functions) and back.
#pragma once

#include <string>
#include <string_view>

namespace nuvo::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace nuvo::win32
