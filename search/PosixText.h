#pragma once
// UTF-8 for POSIX file names, without the C library's locale (which may be
// "C" and refuse every non-ASCII name). Only the POSIX edges include this.
#include <cstdint>
#include <string>

namespace search {

// UTF-8 without the C library's locale, which may be "C" and refuse non-ASCII.
inline std::string Utf8(const std::wstring& text) {
    std::string out;
    for (wchar_t w : text) {
        auto c = static_cast<uint32_t>(w);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Broken sequences become U+FFFD.
inline std::wstring FromUtf8(const std::string& bytes) {
    std::wstring out;
    for (size_t i = 0; i < bytes.size();) {
        auto b = static_cast<uint8_t>(bytes[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= bytes.size() + (extra == 0)) {
            out += L'\xFFFD';
            ++i;
            continue;
        }
        uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            auto next = static_cast<uint8_t>(bytes[i + k]);
            valid = valid && (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += L'\xFFFD';
            ++i;
            continue;
        }
        out += static_cast<wchar_t>(c);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

}  // namespace search
