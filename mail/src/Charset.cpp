#include "mail/Charset.h"

#include <algorithm>
#include <cstdint>

#include "text/Utf8.h"

namespace mail {
namespace {

using mailbox::AppendUtf8;
using mailbox::DecodeUtf8;

// 0x80..0x9F of windows-1252. The five bytes the code page leaves undefined
// map to the C1 control of the same value, as Windows' own conversion does,
// so every byte survives a round trip.
constexpr char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t Windows1252CodePoint(uint8_t byte) { return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte; }

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) AppendUtf8(out, c);
    return out;
}

std::string Utf8Lenient(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        char32_t codePoint = 0;
        size_t length = DecodeUtf8(bytes, i, codePoint);
        if (length == 0) {
            AppendUtf8(out, Windows1252CodePoint(static_cast<uint8_t>(bytes[i])));
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string Lowered(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == '"' || c == '\'' || c == ' ' || c == '\t') continue;
        out.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
    }
    return out;
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) AppendUtf8(out, Windows1252CodePoint(c));
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
    for (size_t i = 0; i < text.size();) {
        char32_t codePoint = 0;
        size_t length = DecodeUtf8(text, i, codePoint);
        if (length == 0) {
            out.push_back('?');
            ++i;
            continue;
        }
        i += length;
        if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
            out.push_back(static_cast<char>(codePoint));
            continue;
        }
        auto found = std::find(std::begin(kHighControls), std::end(kHighControls), static_cast<char16_t>(codePoint));
        out.push_back(codePoint <= 0xFFFF && found != std::end(kHighControls)
                          ? static_cast<char>(0x80 + (found - std::begin(kHighControls)))
                          : '?');
    }
    return out;
}

}  // namespace mail
