#include "text/CodePageText.h"

namespace {

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string ToCodePageWithin(const std::wstring& text, UINT codePage, size_t byteCap) {
    std::string bytes;
    const wchar_t* units = text.c_str();
    int length = static_cast<int>(text.size());
    char converted[16];
    // Character by character, so the cut falls between characters by construction
    // rather than by guessing the code page's lead bytes afterwards.
    for (int at = 0; at < length && units[at] != L'\0';) {
        int width = IsHighSurrogate(units[at]) && at + 1 < length && IsLowSurrogate(units[at + 1]) ? 2 : 1;
        int count =
            ::WideCharToMultiByte(codePage, 0, units + at, width, converted, sizeof(converted), nullptr, nullptr);
        if (count <= 0 || bytes.size() + static_cast<size_t>(count) > byteCap) break;
        bytes.append(converted, static_cast<size_t>(count));
        at += width;
    }
    return bytes;
}
