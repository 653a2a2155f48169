// The decoders under the message builder, one table each: charsets, transfer
// encodings cut off anywhere, encoded words, parameters, line ends, times.

#include <gtest/gtest.h>

#include "mail/Charset.h"
#include "mail/EncodedWords.h"
#include "mail/HeaderParameters.h"
#include "mail/LineEndings.h"
#include "mail/TimeText.h"
#include "mail/TransferEncoding.h"

namespace {

struct DecodingRow {
    const char* label;
    std::string input;
    std::string expected;
};

TEST(Decoding, CharsetsAndTheirFallback) {
    const struct {
        std::string bytes, charset, utf8;
    } rows[] = {
        {"plain", "us-ascii", "plain"},
        {"caf\xE9 \x80", "windows-1252", "caf\xC3\xA9 \xE2\x82\xAC"},
        {"caf\xE9 \x80", "\"ISO-8859-1\"", "caf\xC3\xA9 \xC2\x80"},  // C1 control, not the euro
        {"caf\xC3\xA9 \xE2\x82\xAC", "UTF-8", "caf\xC3\xA9 \xE2\x82\xAC"},
        // Invalid UTF-8 keeps its bytes as windows-1252 instead of dropping them.
        {"a\xE9z \xC3", "utf-8", "a\xC3\xA9z \xC3\x83"},
        {"\xED\xA0\x80", "utf-8", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // an encoded surrogate is no character
        {"\xE9t\xE9", "koi8-r", "\xC3\xA9t\xC3\xA9"},               // unknown: windows-1252
        {"\xE9", "", "\xC3\xA9"},
        {"\x81\x8D", "windows-1252", "\xC2\x81\xC2\x8D"},  // undefined bytes survive as C1 controls
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.utf8, mail::DecodeCharset(row.bytes, row.charset)) << row.charset << " " << row.bytes;
    EXPECT_EQ("caf\xE9 \x80 ?", mail::Utf8ToWindows1252("caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"));
}

TEST(Decoding, TransferEncodingsCutAnywhere) {
    const DecodingRow base64[] = {
        {"whole", "R3LDvMOfZSBhdXMgS8O2bG4g4oKs",
         "Gr\xC3\xBC\xC3\x9F"
         "e aus K\xC3\xB6ln \xE2\x82\xAC"},
        {"line ends and junk ignored", "UHJp\r\neDog*MTAg\r\n4oKs", "Prix: 10 \xE2\x82\xAC"},
        {"padding", "w5xuw69jw7Zkw6k=",
         "\xC3\x9Cn\xC3\xAF"
         "c\xC3\xB6"
         "d\xC3\xA9"},
        {"cut after 3 of 4", "UHJpeDo", "Prix:"},
        {"cut after 2 of 4", "UHJpeD", "Prix"},
        {"cut after 1 of 4", "UHJpe", "Pri"},
        {"nothing after the pad", "UHI=UHI=", "Pr"},
    };
    for (const auto& row : base64) EXPECT_EQ(row.expected, mail::DecodeBase64(row.input)) << row.label;

    const DecodingRow quotedPrintable[] = {
        {"bytes and soft break", "Caf=E9 =\r\nau lait=3D", "Caf\xE9 au lait="},
        {"hard line end kept, trailing blanks dropped", "one  \r\ntwo", "one\r\ntwo"},
        {"lower-case hex", "=e9", "\xE9"},
        {"cut after =", "abc=", "abc"},
        {"cut after =X", "abc=E", "abc=E"},
        {"not hex", "a=ZZb", "a=ZZb"},
    };
    for (const auto& row : quotedPrintable)
        EXPECT_EQ(row.expected, mail::DecodeQuotedPrintable(row.input)) << row.label;
}

TEST(Decoding, EncodedWords) {
    const DecodingRow rows[] = {
        {"B utf-8", "=?utf-8?B?w5xuw69jw7Zkw6k=?=",
         "\xC3\x9Cn\xC3\xAF"
         "c\xC3\xB6"
         "d\xC3\xA9"},
        {"Q latin-1 with underscore", "=?ISO-8859-1?Q?Caf=E9_cr=E8me?=", "Caf\xC3\xA9 cr\xC3\xA8me"},
        {"blanks between words vanish", "=?utf-8?Q?a?= \t =?utf-8?Q?b?=", "ab"},
        // One character split across two words must be decoded whole.
        {"split character", "=?utf-8?B?4oI=?= =?utf-8?B?rA==?=", "\xE2\x82\xAC"},
        {"text around", "Re: =?windows-1252?Q?=80?= 5", "Re: \xE2\x82\xAC 5"},
        {"RFC 2231 language", "=?utf-8*en?Q?x?=", "x"},
        {"unknown encoding kept", "=?utf-8?X?abc?=", "=?utf-8?X?abc?="},
        {"unterminated kept", "=?utf-8?Q?abc", "=?utf-8?Q?abc"},
        {"raw 8-bit is windows-1252", "\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.expected, mail::DecodeHeaderText(row.input)) << row.label;
}

TEST(Decoding, HeaderParameters) {
    auto v = mail::ParseParameterizedValue(
        "Multipart/Mixed; boundary=\"=?b?=_x\"; charset=UTF-8;\tname=\"a\\\"b.txt\"; junk; x=");
    EXPECT_EQ("multipart/mixed", v.value);
    EXPECT_EQ("=?b?=_x", v.RawParameter("boundary"));  // boundaries are never decoded
    EXPECT_EQ("UTF-8", v.RawParameter("charset"));
    EXPECT_EQ("a\"b.txt", v.Parameter("name"));

    const DecodingRow rows[] = {
        {"RFC 2231 one section", "attachment; filename*=utf-8'en'%E2%82%AC%20rapport.txt", "\xE2\x82\xAC rapport.txt"},
        {"continuations out of order", "attachment; filename*1=\"port.txt\"; filename*0*=iso-8859-1''R%E9",
         "R\xC3\xA9port.txt"},
        {"extended wins over plain", "attachment; filename=\"plain.txt\"; filename*=utf-8''ext.txt", "ext.txt"},
        {"encoded word in a plain value", "attachment; filename=\"=?utf-8?B?w5xuw69jw7Zkw6k=?=.doc\"",
         "\xC3\x9Cn\xC3\xAF"
         "c\xC3\xB6"
         "d\xC3\xA9.doc"},
        {"missing closing quote", "attachment; filename=\"cut off", "cut off"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, mail::ParseParameterizedValue(row.input).Parameter("filename")) << row.label;
}

TEST(Decoding, TextModeLineEnds) {
    const DecodingRow rows[] = {
        {"CR CR LF is one line end", "a\r\r\nb", "a\r\nb"},
        {"bare CR ends a line", "From:x\rTo:y\rSubject", "From:x\r\nTo:y\r\nSubject"},
        {"bare LF", "a\nb", "a\r\nb"},
        {"CR at the end", "a\r", "a\r\n"},
        {"blank line survives", "a\r\r\n\r\r\nb", "a\r\n\r\nb"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.expected, mail::NormalizeLineEndings(row.input)) << row.label;
}

TEST(Decoding, SourceTimeText) {
    const struct {
        const char* text;
        uint64_t fileTime;  // 0: does not parse
    } rows[] = {
        {"08/12/2026 09:05 PM", 134412375000000000ULL},
        {"8/12/2026 9:05 pm", 134412375000000000ULL},
        {"01/01/2026 12:30 AM", 134117010000000000ULL},  // 12 AM is midnight
        {"29/02/2024 12:00 PM", 133536816000000000ULL},  // 12 PM is noon, leap day
        {"31/12/2026 23:59", 134432351400000000ULL},     // no AM/PM: 24-hour clock
        {"29/02/2025 10:00 AM", 0},
        {"08/12/2026 13:05 PM", 0},
        {"08/13/2026 09:05 AM", 0},
        {"12/08/26 09:05 AM", 0},
        {"", 0},
        {"08/12/2026 09:05 PM trailing", 0},
    };
    for (const auto& row : rows) EXPECT_EQ(row.fileTime, mail::ParseSourceTimeText(row.text).value_or(0)) << row.text;
}

}  // namespace
