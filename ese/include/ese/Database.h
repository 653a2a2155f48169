#pragma once
// An ESE database read by its structure: header, catalog, B+ trees of pages,
// records and long values.
//
// Guarantees:
// - Nothing is read but on demand, a page at a time through a bounded cache
//   (Options::cacheBytes); memory does not grow with the file.
// - Every offset, size and count taken from disk is checked against the page
//   that holds it. A damaged page makes only what it holds unreadable; the
//   walk goes on around it and Issues() names the page and why.
// - A page whose checksum shows a single flipped bit is corrected in memory
//   (never on disk) and the correction is reported.
// - A value that cannot be read comes back as an error for that value, never
//   as other bytes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ese/File.h"

namespace korvane::ese {

enum class ColumnType : uint32_t {
    Nil = 0,
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
    SLV = 13,
    UnsignedLong = 14,
    LongLong = 15,
    GUID = 16,
    UnsignedShort = 17,
};
// The type's name as the engine's API spells it without "JET_coltyp" ("Long", "GUID"), "Unknown(N)" otherwise.
std::string ColumnTypeName(ColumnType type);

enum class DatabaseState : uint32_t {
    JustCreated = 1,
    DirtyShutdown = 2,
    CleanShutdown = 3,
    BeingConverted = 4,
    ForceDetach = 5,
};
// "just_created", "dirty", "clean", "being_converted", "force_detach", "unknown_N".
std::string DatabaseStateName(uint32_t state);

struct HeaderInfo {
    uint32_t formatVersion = 0;
    uint32_t formatRevision = 0;
    uint32_t pageSize = 0;
    uint32_t state = 0;
    uint64_t pages = 0;        // database pages: the file's pages after the header and its shadow
    bool fromShadow = false;   // the header was damaged and its shadow copy is used
    bool Dirty() const { return state != static_cast<uint32_t>(DatabaseState::CleanShutdown); }
};

struct Column {
    std::string name;  // as stored (ASCII in every catalog seen)
    uint32_t id = 0;   // 1..127 fixed, 128..255 variable, 256.. tagged
    ColumnType type = ColumnType::Nil;
    uint32_t flags = 0;
    uint32_t codePage = 0;  // text columns: 1200 UTF-16LE, 1252, 20127
    uint32_t size = 0;      // fixed size or maximum size from the catalog
    bool hasDefault = false;
    std::vector<uint8_t> defaultValue;
    bool fromTemplate = false;  // inherited from the table's template
};

struct Index {
    std::string name;
    uint32_t rootPage = 0;
    std::vector<uint8_t> keyColumns;  // the catalog's key definition as stored
};

struct Table {
    std::string name;
    uint32_t objectId = 0;
    uint32_t rootPage = 0;
    uint32_t longValueRoot = 0;  // 0: no long-value tree
    std::string templateName;
    std::vector<Column> columns;  // in column id order
    std::vector<Index> indexes;
};

// One value of a cell: its bytes as the column's type stores them (long
// values assembled, compression undone), or why it could not be read.
struct Item {
    std::vector<uint8_t> bytes;
    std::string error;
    bool Ok() const { return error.empty(); }
};

struct Cell {
    bool null = true;
    bool multi = false;       // a multi-valued column holding more than one value
    std::vector<Item> items;  // one item unless multi; none when null
};

// A record: one cell per column of the table, in the order of Table::columns.
using Record = std::vector<Cell>;

struct Issue {
    uint32_t page = 0;  // 0 when no page is concerned (the header)
    std::string text;   // "page 17: ..." style sentence, complete
    bool corrected = false;  // a single-bit error that was corrected; the data read is sound
};

struct Options {
    size_t cacheBytes = 16u << 20;
};

struct OpenResult;

class Database {
public:
    // Opens the database; null with a one-line reason when the file is not a
    // readable ESE database (no sound header or shadow, or no catalog).
    static std::unique_ptr<Database> Open(std::unique_ptr<File> file, std::string& error, Options options = {});
    ~Database();

    const HeaderInfo& Header() const;
    // Every table of the catalog, the catalog's own included, in catalog order.
    const std::vector<Table>& Tables() const;
    const Table* FindTable(const std::string& name) const;

    // Visits the table's records in the order of its primary index; `visit`
    // returns false to stop. Returns false when part of the table could not be
    // read (see Issues()).
    bool ForEachRecord(const Table& table, const std::function<bool(const Record&)>& visit);
    // Counts the records without decoding them.
    bool CountRecords(const Table& table, uint64_t& count);

    // Problems met so far, each page once; corrections included.
    const std::vector<Issue>& Issues() const;
    // Bytes read from the file so far (for progress and benchmarks).
    uint64_t BytesRead() const;

    struct Impl;

private:
    explicit Database(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace korvane::ese
