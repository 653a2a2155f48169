#include "text/Utf8.h"

namespace mailbox {
namespace {

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Appends a code point to UTF-16 units, as a pair past U+FFFF.
template <class Units>
void AppendUtf16(Units& out, char32_t c) {
    using Unit = typename Units::value_type;
    if (c >= 0x10000) {
        c -= 0x10000;
        out.push_back(static_cast<Unit>(0xD800 + (c >> 10)));
        out.push_back(static_cast<Unit>(0xDC00 + (c & 0x3FF)));
    } else {
        out.push_back(static_cast<Unit>(c));
    }
}

// Whole text through one of the two wide forms. A 32-bit unit is a code point
// of its own: a surrogate there is no half of anything and becomes U+FFFD.
template <class Wide>
void AppendDecoded(Wide& out, std::string_view text) {
    out.reserve(text.size());
    auto append = [&](char32_t c) {
        if (sizeof(typename Wide::value_type) == 2)
            AppendUtf16(out, c);
        else
            out.push_back(static_cast<typename Wide::value_type>(c));
    };
    ForEachUtf8(
        text, [&](char32_t c, std::string_view) { append(c); }, [&](unsigned char) { append(kReplacementCharacter); });
}

template <class Units, class Append>
void ForEachUtf16(const Units& units, Append&& append) {
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t unit = static_cast<char32_t>(units[i]) & 0xFFFF;
        char32_t next = i + 1 < units.size() ? static_cast<char32_t>(units[i + 1]) & 0xFFFF : 0;
        bool paired = false;
        append(DecodeUtf16(unit, next, paired));
        if (paired) ++i;
    }
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (IsSurrogate(c) || c > 0x10FFFF) c = kReplacementCharacter;
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

size_t DecodeUtf8(std::string_view text, size_t at, char32_t& codePoint) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    // C0 and C1 could only start overlong two-byte forms; F5 and up, values past U+10FFFF.
    const size_t length = lead >= 0xC2 && lead < 0xE0    ? 2
                          : lead >= 0xE0 && lead < 0xF0  ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length == 0 || at + length > text.size()) return 0;
    char32_t value = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || value > 0x10FFFF || IsSurrogate(value)) return 0;
    codePoint = value;
    return length;
}

char32_t DecodeUtf16(char32_t unit, char32_t next, bool& paired) {
    paired = unit >= 0xD800 && unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF;
    if (paired) return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
    return IsSurrogate(unit) ? kReplacementCharacter : unit;
}

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    if constexpr (sizeof(wchar_t) == 2) {
        ForEachUtf16(text, [&](char32_t c) { AppendUtf8(out, c); });
    } else {
        for (wchar_t c : text) {
            if (static_cast<char32_t>(c) < 0x80)
                out.push_back(static_cast<char>(c));
            else
                AppendUtf8(out, static_cast<char32_t>(c));
        }
    }
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    AppendDecoded(out, text);
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    AppendDecoded(out, text);
    return out;
}

std::string Utf16ToUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    ForEachUtf16(units, [&](char32_t c) { AppendUtf8(out, c); });
    return out;
}

std::wstring Utf16ToWide(std::u16string_view units) {
    std::wstring out;
    out.reserve(units.size());
    ForEachUtf16(units, [&](char32_t c) {
        if constexpr (sizeof(wchar_t) == 2)
            AppendUtf16(out, c);
        else
            out.push_back(static_cast<wchar_t>(c));
    });
    return out;
}

}  // namespace mailbox
