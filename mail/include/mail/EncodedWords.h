#pragma once
// Header text to UTF-8: RFC 2047 encoded words ("=?charset?B?...?=" and the
// "Q" form) are decoded in their charset, everything else is the system's
// windows-1252. A malformed encoded word is kept as the literal text it is.

#include <string>
#include <string_view>

namespace mail {

// Blanks between two adjacent encoded words vanish, and adjacent words of one
// charset are decoded together, so a character split across them survives.
std::string DecodeHeaderText(std::string_view raw);

}  // namespace mail
