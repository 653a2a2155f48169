#pragma once
// UTF-8 at the edges: command-line output and POSIX paths. Wide text is UTF-16
// on Windows and UTF-32 elsewhere; both convert here. Broken input becomes
// U+FFFD rather than an error.
#include <string>

namespace mailbox {

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace mailbox
