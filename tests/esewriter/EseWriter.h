// A test-only writer of ESE database files: never linked into the product.
// It writes what a reader needs and nothing it does not: a header and its
// shadow, the catalog (MSysObjects and MSysObjectsShadow), each table on a B+
// tree of leaf and branch pages with its owned- and available-extent trees,
// long values in the table's long-value tree, XOR and ECC page checksums. No
// compression, no secondary indexes, no versioned or deleted nodes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace esewriter {

using Bytes = std::vector<uint8_t>;

// Stored column types, as the catalog numbers them.
enum class ColumnType : uint32_t {
    Bit = 1,
    UnsignedByte = 2,
    Short = 3,
    Long = 4,
    Currency = 5,
    IEEESingle = 6,
    IEEEDouble = 7,
    DateTime = 8,
    Binary = 9,
    Text = 10,
    LongBinary = 11,
    LongText = 12,
    UnsignedLong = 14,
    LongLong = 15,
    Guid = 16,
    UnsignedShort = 17,
};

// Column ids decide the storage: 1-127 fixed, 128-255 variable, 256 and up tagged.
struct Column {
    uint32_t id = 0;
    std::string name;
    ColumnType type = ColumnType::Long;
    uint32_t size = 0;      // fixed columns: their width; 0 takes the type's own
    uint32_t codepage = 0;  // text: 1200 (UTF-16LE) or 1252
};

// One value as stored: little-endian integers, UTF-16LE or code page text, raw binary.
struct Cell {
    uint32_t column = 0;
    Bytes value;
};

struct Row {
    std::vector<Cell> cells;  // a column without a cell is NULL
};

struct Table {
    std::string name;
    std::vector<Column> columns;
    std::vector<uint32_t> key;  // the primary index's columns; rows are stored in its order
    std::vector<Row> rows = {};
};

struct Database {
    uint32_t pageSize = 4096;  // 4096, 8192 or 32768
    uint32_t revision = 0x14;
    bool dirty = false;
    std::vector<Table> tables;
};

// The whole file. Throws std::runtime_error for what it cannot store (a record
// larger than a page, two rows with the same key, an unsupported page size).
Bytes WriteDatabase(const Database& database);
void WriteDatabaseFile(const Database& database, const std::string& path);

// Value helpers for building rows.
Bytes LittleEndian(uint64_t value, int width);
Bytes Utf16(const std::string& utf8);
Bytes Ascii(const std::string& text);
uint32_t FixedWidth(const Column& column);
// The size of a long value's chunks (the last may be shorter).
uint32_t LongValueChunkSize(uint32_t pageSize);

}  // namespace esewriter
