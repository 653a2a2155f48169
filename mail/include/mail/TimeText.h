#pragma once
// The source file time text the system passes with every message: its
// calendar time formatted with "%d/%m/%Y %I:%M %p" and no time-zone shift.

#include <cstdint>
#include <optional>
#include <string_view>

namespace mail {

// FILETIME (100 ns since 1601-01-01) of that time read as UTC; nothing when
// the text is not such a time (empty, a field out of range, a 31 February).
// A missing AM/PM marker (locales that have none) reads the hour as 0-23.
std::optional<uint64_t> ParseSourceTimeText(std::string_view text);

}  // namespace mail
