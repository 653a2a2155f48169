#pragma once
// What the stored bytes of a value mean, by column type. Text stays in its
// code page: UTF-16 code units for code page 1200, the raw bytes otherwise.
#include <cstdint>
#include <string>
#include <vector>

#include "ese/Database.h"

namespace korvane::ese {

// Little-endian integers of the column's width; false when the size is wrong.
bool ReadSigned(ColumnType type, const std::vector<uint8_t>& bytes, int64_t& value);
bool ReadUnsigned(ColumnType type, const std::vector<uint8_t>& bytes, uint64_t& value);
bool ReadFloat(ColumnType type, const std::vector<uint8_t>& bytes, double& value);

// An OLE automation date (days since 1899-12-30, read linearly) as
// "YYYY-MM-DDThh:mm:ss[.fff]Z"; false for a value outside years 1..9999.
bool OleDateToIso8601(double days, std::string& text);
// 16 bytes in Microsoft's layout as "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx".
bool GuidToText(const std::vector<uint8_t>& bytes, std::string& text);
// UTF-16LE bytes as code units (an odd last byte is dropped).
std::vector<uint16_t> Utf16Units(const std::vector<uint8_t>& bytes);
bool IsTextType(ColumnType type);
bool IsBinaryType(ColumnType type);

}  // namespace korvane::ese
