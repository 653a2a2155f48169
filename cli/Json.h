#pragma once
// The JSON the commands print: UTF-8, strings escaped as RFC 8259 requires
// (quote, backslash and control characters; everything else as is).
#include <cstdint>
#include <string>
#include <vector>

namespace cli {

std::string JsonString(const std::wstring& text);
std::string JsonStringArray(const std::vector<std::wstring>& items);

}  // namespace cli
