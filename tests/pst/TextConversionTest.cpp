// Text conversions between the API's UTF-8 and the file's UTF-16LE: broken
// input of either side becomes U+FFFD, never an invalid sequence.

#include <gtest/gtest.h>

#include "util/Utf.h"

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

std::string Repeat(const std::string& s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
}

std::string FromUnits(std::initializer_list<uint16_t> units) {
    pst::Bytes b;
    for (uint16_t u : units) pst::Append16(b, u);
    return pst::Utf16LeToUtf8(b);
}

}  // namespace

TEST(TextConversion, Utf8InputRoundTripsOrBecomesReplacementCharacters) {
    struct Case {
        const char* name;
        std::string in, out;
    } cases[] = {
        {"ascii", "Inbox", "Inbox"},
        {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"overlong NUL", "a\xC0\x80z", "a" + Repeat(kReplacement, 2) + "z"},
        {"overlong slash in three bytes", "\xE0\x80\xAF", Repeat(kReplacement, 3)},
        {"overlong in four bytes", "\xF0\x82\x82\xAC", Repeat(kReplacement, 4)},
        {"encoded surrogate", "\xED\xA0\x80", Repeat(kReplacement, 3)},
        {"past U+10FFFF", "\xF4\x90\x80\x80", Repeat(kReplacement, 4)},
        {"truncated at the end", "a\xE2\x82", "a" + Repeat(kReplacement, 2)},
        {"stray continuation and invalid bytes", "\x80x\xFF", kReplacement + "x" + kReplacement},
    };
    for (const auto& c : cases) EXPECT_EQ(c.out, pst::Utf16LeToUtf8(pst::Utf8ToUtf16Le(c.in))) << c.name;
}

TEST(TextConversion, LoneSurrogatesAndOddBytesFromTheFileBecomeReplacementCharacters) {
    EXPECT_EQ("\xF0\x9F\x98\x80", FromUnits({0xD83D, 0xDE00}));
    EXPECT_EQ(kReplacement, FromUnits({0xD83D}));
    EXPECT_EQ(kReplacement + "a", FromUnits({0xD83D, 'a'}));
    EXPECT_EQ(kReplacement + "a", FromUnits({0xDE00, 'a'}));
    EXPECT_EQ(Repeat(kReplacement, 2), FromUnits({0xDE00, 0xD83D}));
    EXPECT_EQ("a" + kReplacement, pst::Utf16LeToUtf8(pst::Bytes{'a', 0, 'b'}));
}
