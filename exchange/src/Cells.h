#pragma once
// Reading one cell of an Exchange table as the value the store means,
// whatever the column's stored type turns out to be on a real database:
// the public descriptions name the columns but are not sure of every type.
#include <optional>
#include <string>
#include <vector>

#include "ese/Database.h"

namespace korvane::exchange::detail {

// The column's index in the table, by the first of the names present
// (ESE names compare without case); -1 when none is.
int FindColumn(const ese::Table& table, std::initializer_list<const char*> names);

// Nullopt for a NULL or unreadable cell, a missing column (index -1), a
// negative number or a size no integer has.
std::optional<uint64_t> Count(const ese::Table& table, const ese::Record& record, int column);
// Text columns in their code page; binary ones as UTF-16LE, the store's own
// string form. Trailing NULs are dropped. Result in UTF-8.
std::optional<std::string> Text(const ese::Table& table, const ese::Record& record, int column);
// The stored bytes as they are (folder ids); empty for NULL or unreadable.
std::string Raw(const ese::Record& record, int column);
// Canonical GUID text for a 16-byte value; empty otherwise.
std::string Guid(const ese::Record& record, int column);

}  // namespace korvane::exchange::detail
