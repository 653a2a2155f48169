#pragma once
// UTF-8 and UTF-16, one converter each way for the whole program: command-line
// output, POSIX paths, the component's strings, the PST file's UTF-16LE and the
// database's UTF-16 columns. Wide text is UTF-16 on Windows and UTF-32
// elsewhere; both convert here. Broken input becomes U+FFFD rather than an
// error, one per byte or unit that is no part of a character: overlong forms
// (they would smuggle in a NUL as C0 80), encoded surrogates, values past
// U+10FFFF, cut-off sequences and lone surrogates. What comes out is always
// valid.
#include <cstddef>
#include <string>
#include <string_view>

namespace mailbox {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// One code point at a time, for callers that decide per character (a charset
// that falls back to another code page, a code page table).
void AppendUtf8(std::string& out, char32_t codePoint);
// The length (1 to 4) of the valid UTF-8 sequence at `at`, its value in
// codePoint; 0 when the bytes there are not one.
size_t DecodeUtf8(std::string_view text, size_t at, char32_t& codePoint);
// Walks UTF-8: `character` takes each valid sequence's code point and bytes,
// `stray` each byte that starts none (the walk goes on at the next byte).
template <class Character, class Stray>
void ForEachUtf8(std::string_view text, Character&& character, Stray&& stray) {
    for (size_t i = 0; i < text.size();) {
        // Most text is ASCII: a byte below 0x80 is its own character.
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            character(static_cast<char32_t>(text[i]), text.substr(i, 1));
            ++i;
            continue;
        }
        char32_t codePoint = 0;
        const size_t length = DecodeUtf8(text, i, codePoint);
        if (length == 0) {
            stray(static_cast<unsigned char>(text[i]));
            ++i;
        } else {
            character(codePoint, text.substr(i, length));
            i += length;
        }
    }
}
// The character of a UTF-16 unit and the one after it (0 past the end);
// `paired` tells whether the two made one surrogate pair.
char32_t DecodeUtf16(char32_t unit, char32_t next, bool& paired);

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view units);
// UTF-16 units as wide text: pairs joined where wchar_t is 32 bits.
std::wstring Utf16ToWide(std::u16string_view units);

}  // namespace mailbox
