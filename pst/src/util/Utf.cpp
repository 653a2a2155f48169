#include "util/Utf.h"

namespace pst {
namespace {

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        uint8_t c = static_cast<uint8_t>(text[i]);
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            len = 0;
        }
        if (len == 0 || i + len > n) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool valid = true;
        for (size_t k = 1; k < len; ++k) {
            uint8_t cc = static_cast<uint8_t>(text[i + k]);
            if ((cc & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms would smuggle in characters (a NUL as C0 80) that the
        // shortest form makes visible.
        static const uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!valid || cp < kShortest[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

}  // namespace

Bytes Utf8ToUtf16Le(const std::string& text) {
    std::u16string u = Utf8ToUtf16(text);
    Bytes out(u.size() * 2);
    for (size_t i = 0; i < u.size(); ++i) {
        out[2 * i] = static_cast<uint8_t>(u[i]);
        out[2 * i + 1] = static_cast<uint8_t>(u[i] >> 8);
    }
    return out;
}

std::string Utf16LeToUtf8(const uint8_t* data, size_t size) {
    std::string out;
    out.reserve(size / 2);
    size_t count = size / 2;
    for (size_t i = 0; i < count; ++i) {
        uint32_t cp = Get16(data + 2 * i);
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            uint32_t lo = i + 1 < count ? Get16(data + 2 * i + 2) : 0;
            if (cp <= 0xDBFF && lo >= 0xDC00 && lo <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            } else {
                cp = 0xFFFD;  // a lone surrogate has no UTF-8 form
            }
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    if (size % 2) out += "\xEF\xBF\xBD";  // half a code unit: show that something was there
    return out;
}

}  // namespace pst
