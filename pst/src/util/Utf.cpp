#include "util/Utf.h"

#include "text/Utf8.h"

namespace pst {

Bytes Utf8ToUtf16Le(const std::string& text) {
    // The ASCII start of the text (often all of it) is a unit per byte; the
    // rest starts at a character and goes through the converter.
    size_t ascii = 0;
    while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) ++ascii;
    const std::u16string rest = mailbox::Utf8ToUtf16(std::string_view(text).substr(ascii));
    Bytes out(2 * (ascii + rest.size()));
    for (size_t i = 0; i < ascii; ++i) out[2 * i] = static_cast<uint8_t>(text[i]);
    uint8_t* at = out.data() + 2 * ascii;
    for (char16_t unit : rest) {
        *at++ = static_cast<uint8_t>(unit);
        *at++ = static_cast<uint8_t>(unit >> 8);
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
