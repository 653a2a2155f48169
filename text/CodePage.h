#pragma once
// The one place where bytes from the source become text: the system's ANSI
// code page on Windows, Windows-1252 elsewhere. Case-insensitive comparison of
// mailbox names goes through the same object, so both follow one system.
#include <cstddef>
#include <cstdint>
#include <string>

namespace mailbox {

class CodePage {
public:
    virtual ~CodePage() = default;
    virtual std::wstring Decode(const uint8_t* bytes, size_t size) const = 0;
    // Upper-case form used as the key of case-insensitive comparisons.
    virtual std::wstring ToUpper(const std::wstring& text) const = 0;
};

// Windows-1252 as Windows maps it, including its five undefined bytes
// (0x81, 0x8D, 0x8F, 0x90, 0x9D become U+0081, U+008D, U+008F, U+0090, U+009D).
const CodePage& Windows1252();

// The same table a byte or a character at a time, for the decoders that pick a
// code page per part or per column (Windows1252.cpp says which stream uses which).
char32_t Windows1252Character(uint8_t byte);
// The five undefined bytes as U+FFFD instead: no character, not a control.
char32_t Windows1252DefinedCharacter(uint8_t byte);
// The byte of a character, false when Windows-1252 has none; the five C1
// controls above are its own, so every byte comes back.
bool Windows1252Byte(char32_t character, uint8_t& byte);

// The ANSI code page of the system on Windows; Windows1252() elsewhere.
const CodePage& SystemCodePage();

}  // namespace mailbox
