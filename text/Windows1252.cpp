#include "text/CodePage.h"

#include "text/AsciiCase.h"

namespace mailbox {
namespace {

// 0x80..0x9F; the rest of the code page equals Latin-1. The one table for every
// byte stream that is read as Windows-1252; each stream keeps its own rule:
// - the scanned source text (mailbox names, message headers and the message
//   text handed to the component): the system's ANSI code page
//   (SystemCodePage()), which is this table wherever there is no ANSI code page;
// - a message part (mail/Charset.h): the MIME charset it declares; this table
//   for windows-1252, us-ascii, undeclared and unknown charsets, for the header
//   block and for bytes that are not UTF-8 in a part declared utf-8; the way
//   back (Utf8ToWindows1252) writes '?' for what the table lacks;
// - a database text column (exchange/, the inspect command): the column's code
//   page; 1200 is UTF-16LE, 20127 keeps ASCII and gives U+FFFD above it, any
//   other is this table with the undefined bytes as U+FFFD.
// The five bytes the code page leaves undefined are the C1 control of the
// same value here, as Windows' own conversion has them.
const char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsUndefined(uint8_t byte) { return byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80] == byte; }

wchar_t UpperOf(wchar_t c) {
    if (c < 0x80) return UpperAscii(c);
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    switch (static_cast<uint32_t>(c)) {
    case 0xFF:
        return 0x178;
    case 0xB5:
        return 0x39C;
    case 0x161:
        return 0x160;
    case 0x153:
        return 0x152;
    case 0x17E:
        return 0x17D;
    case 0x192:
        return 0x191;
    default:
        return c;
    }
}

class Windows1252CodePage final : public CodePage {
public:
    std::wstring Decode(const uint8_t* bytes, size_t size) const override {
        std::wstring text(size, L'\0');
        for (size_t i = 0; i < size; ++i) {
            text[i] = static_cast<wchar_t>(Windows1252Character(bytes[i]));
        }
        return text;
    }
    std::wstring ToUpper(const std::wstring& text) const override {
        std::wstring upper(text);
        for (wchar_t& c : upper) c = UpperOf(c);
        return upper;
    }
};

}  // namespace

char32_t Windows1252Character(uint8_t byte) { return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte; }

char32_t Windows1252DefinedCharacter(uint8_t byte) { return IsUndefined(byte) ? 0xFFFD : Windows1252Character(byte); }

bool Windows1252Byte(char32_t character, uint8_t& byte) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        byte = static_cast<uint8_t>(character);
        return true;
    }
    for (uint8_t high = 0; high < 32; ++high) {
        if (kHighControls[high] == character) {
            byte = static_cast<uint8_t>(0x80 + high);
            return true;
        }
    }
    return false;
}

const CodePage& Windows1252() {
    static const Windows1252CodePage codePage;
    return codePage;
}

}  // namespace mailbox
