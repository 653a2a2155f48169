// Text conversions between the API's UTF-8 and the file's UTF-16LE: broken
// input of either side becomes U+FFFD, and what comes out is always valid.

#include <gtest/gtest.h>

#include <random>

#include "util/Utf.h"

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

std::string Repeat(const std::string& s, int n) {
  std::string out;
  while (n-- > 0) out += s;
  return out;
}

// Strict UTF-8: shortest forms, no surrogates, nothing past U+10FFFF.
bool ValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    uint8_t c = static_cast<uint8_t>(s[i]);
    size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    uint32_t cp = len == 1 ? c : c & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) {
      if ((static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (static_cast<uint8_t>(s[i + k]) & 0x3F);
    }
    static const uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kShortest[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
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
  // Whatever the file holds, the API hands out valid UTF-8.
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    pst::Bytes units(static_cast<size_t>(random() % 64));
    for (auto& b : units) b = static_cast<uint8_t>(random() % 2 ? 0xD8 + random() % 8 : random());
    std::string text = pst::Utf16LeToUtf8(units);
    ASSERT_TRUE(ValidUtf8(text)) << "round " << round;
  }
}
