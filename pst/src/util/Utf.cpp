#include "util/Utf.h"

#include "text/Utf8.h"

namespace pst {

Bytes Utf8ToUtf16Le(const std::string& text) {
    std::u16string u = mailbox::Utf8ToUtf16(text);
    Bytes out(u.size() * 2);
    for (size_t i = 0; i < u.size(); ++i) {
        out[2 * i] = static_cast<uint8_t>(u[i]);
        out[2 * i + 1] = static_cast<uint8_t>(u[i] >> 8);
    }
    return out;
}

std::string Utf16LeToUtf8(const uint8_t* data, size_t size) {
    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(Get16(data + 2 * i));
    std::string out = mailbox::Utf16ToUtf8(units);
    if (size % 2) out += "\xEF\xBF\xBD";  // half a code unit: show that something was there
    return out;
}

}  // namespace pst
