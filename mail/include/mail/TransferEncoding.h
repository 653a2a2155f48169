#pragma once
// Content-Transfer-Encoding decoders. Both accept any input, including text
// cut off in the middle of a group: whatever complete data precedes the cut
// is decoded, and nothing is invented after it.

#include <string>
#include <string_view>

namespace mail {

// Ignores every byte outside the base64 alphabet (line ends, stray text).
// Decoding stops at the first '=' pad; a trailing group of two or three
// characters still yields its one or two whole bytes.
std::string DecodeBase64(std::string_view text);

// Expects CR LF line ends. "=XX" is the byte XX, "=" before a line end joins
// the lines, trailing blanks of a line are dropped; an '=' not followed by two
// hex digits stays as it is. With `underscoreIsSpace` (the "Q" form of
// encoded words), '_' stands for a space.
std::string DecodeQuotedPrintable(std::string_view text, bool underscoreIsSpace = false);

}  // namespace mail
