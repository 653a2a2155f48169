#include "mail/Charset.h"

#include <cstdint>

#include "text/AsciiCase.h"
#include "text/CodePage.h"
#include "text/Utf8.h"

namespace mail {
namespace {

using mailbox::AppendUtf8;
using mailbox::Windows1252Character;

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) AppendUtf8(out, c);
    return out;
}

std::string Utf8Lenient(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    mailbox::ForEachUtf8(
        bytes, [&](char32_t, std::string_view sequence) { out.append(sequence); },
        [&](unsigned char stray) { AppendUtf8(out, Windows1252Character(stray)); });
    return out;
}

std::string Lowered(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == '"' || c == '\'' || c == ' ' || c == '\t') continue;
        out.push_back(mailbox::LowerAscii(c));
    }
    return out;
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        // Runs of ASCII are the same bytes in UTF-8.
        size_t run = i;
        while (run < bytes.size() && static_cast<unsigned char>(bytes[run]) < 0x80) ++run;
        out.append(bytes.data() + i, run - i);
        if (run == bytes.size()) break;
        AppendUtf8(out, Windows1252Character(static_cast<unsigned char>(bytes[run])));
        i = run + 1;
    }
    return out;
}

std::string DecodeCharset(std::string_view bytes, std::string_view charset) {
    std::string name = Lowered(charset);
    // A bare 8-bit byte in text declared us-ascii is still the system's ANSI
    // text, so us-ascii shares the windows-1252 path (identical below 0x80).
    if (name == "utf-8" || name == "utf8") return Utf8Lenient(bytes);
    if (name == "iso-8859-1" || name == "iso8859-1" || name == "iso_8859-1" || name == "latin1" || name == "latin-1" ||
        name == "l1" || name == "iso-ir-100")
        return Latin1ToUtf8(bytes);
    return Windows1252ToUtf8(bytes);
}

std::string Utf8ToWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    mailbox::ForEachUtf8(
        text,
        [&](char32_t codePoint, std::string_view) {
            uint8_t byte = 0;
            out.push_back(mailbox::Windows1252Byte(codePoint, byte) ? static_cast<char>(byte) : '?');
        },
        [&](unsigned char) { out.push_back('?'); });
    return out;
}

}  // namespace mail
