#pragma once
// Between the wide strings of the system and COM (UTF-16 on Windows, UTF-32
// where wchar_t is 32 bits) and the UTF-8 the cores work in. Unpaired
// surrogates and invalid UTF-8 become U+FFFD; nothing fails.

#include <string>
#include <string_view>

namespace quillon {

std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

}  // namespace quillon
