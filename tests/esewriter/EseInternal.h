// Pieces shared by the writer's files; see EseWriter.h for what is written.
#pragma once

#include "EseWriter.h"

#include <cstddef>
#include <map>

namespace esewriter::detail {

void PutLittle(Bytes& out, uint64_t value, int width);
void SetLittle(uint8_t* at, uint64_t value, int width);
void PutBig(Bytes& out, uint64_t value, int width);
uint64_t GetLittle(const uint8_t* at, int width);

// Pages of 16 KiB and more carry the extended header and the 15-bit tag layout.
inline bool IsLargePage(uint32_t pageSize) { return pageSize > 8192; }
inline uint32_t PageHeaderSize(uint32_t pageSize) { return IsLargePage(pageSize) ? 80 : 40; }

// ECC in the high half, XOR of the block's words in the low half; the header
// block of a page leaves its first eight bytes (the checksum itself) out.
uint64_t BlockChecksum(const uint8_t* block, uint32_t size, bool headerBlock);
// Fills the page's checksums (and, on large pages, its page number) in place.
void SealPage(uint8_t* page, uint32_t pageSize, uint32_t pageNumber);
// The database header's: the old XOR format, seeded, over the whole header page.
uint32_t HeaderChecksum(const uint8_t* page, uint32_t pageSize);

namespace page_flag {
enum : uint32_t {
    kPageRoot = 0x1,
    kPageLeaf = 0x2,
    kPageParentOfLeaf = 0x4,
    kPageSpaceTree = 0x20,
    kPageLongValue = 0x80,
    // new record format, new checksum format and the bit every page of the
    // reference files carries beside them
    kPageFormat = 0x800 | 0x2000 | 0x8000,
};
}  // namespace page_flag
constexpr uint32_t kPageRoot = page_flag::kPageRoot, kPageLeaf = page_flag::kPageLeaf,
                   kPageParentOfLeaf = page_flag::kPageParentOfLeaf, kPageSpaceTree = page_flag::kPageSpaceTree,
                   kPageLongValue = page_flag::kPageLongValue, kPageFormat = page_flag::kPageFormat;

struct Node {
    Bytes key;
    Bytes data;
};

// The file's pages by number (page 1 is the first after the two headers).
class PageStore {
public:
    explicit PageStore(uint32_t pageSize) : m_pageSize(pageSize) {}
    uint32_t PageSize() const { return m_pageSize; }
    // The next free page, never one of the fixed pages of the catalog's shadow.
    uint32_t Allocate();
    void Put(uint32_t pageNumber, Bytes page);
    uint32_t LastPage() const { return m_pages.empty() ? 0 : m_pages.rbegin()->first; }
    bool Has(uint32_t pageNumber) const { return m_pages.count(pageNumber) != 0; }
    const std::map<uint32_t, Bytes>& Pages() const { return m_pages; }
    uint64_t databaseTime = 0x1000;

private:
    uint32_t m_pageSize;
    uint32_t m_next = 7;
    std::map<uint32_t, Bytes> m_pages;
};

// One page, its nodes in order. On a root page tag 0 holds `external` (the
// root header); on the others it holds the key prefix the nodes share, which
// each node then leaves out of its own key.
Bytes BuildPage(const PageStore& store, uint32_t pageNumber, uint32_t objid, uint32_t flags, uint32_t previous,
                uint32_t next, const Bytes& external, const std::vector<Node>& nodes);
// A node's bytes without prefix compression (its most): key length, key, data.
Bytes NodeBytes(const Bytes& key, const Bytes& data);
// How many bytes of nodes fit on one page beside the external header of a root.
size_t NodeSpace(uint32_t pageSize);

// A B+ tree with its own extent: the root page (its FDP), the owned- and
// available-extent pages beside it, then its leaves and branches.
struct Tree {
    uint32_t objid = 0;
    uint32_t parentFdp = 0;
    uint32_t fdp = 0;
    uint32_t flags = 0;  // kPageLongValue for long-value trees
    std::vector<uint32_t> owned;
};
Tree ReserveTree(PageStore& store, uint32_t objid, uint32_t parentFdp, uint32_t flags);
Tree FixedTree(uint32_t objid, uint32_t parentFdp, uint32_t fdp);
// Nodes sorted by key. Writes every page of the tree, space trees included.
void BuildTree(PageStore& store, Tree& tree, const std::vector<Node>& nodes);
// The database's own root (page 1) and its space trees (2 and 3), owning every page.
void BuildDatabaseRoot(PageStore& store);

// Long values as the record writer separates them into the table's long-value tree.
struct LongValues {
    uint32_t nextId = 1;
    uint32_t chunkSize = 0;
    std::vector<Node> nodes;  // in key order, as ids and offsets grow
};
Bytes EncodeRecord(const Table& table, const Row& row, bool largePage, LongValues& longValues);
Bytes PrimaryKey(const Table& table, const Row& row);
bool IsLongType(ColumnType type);

// The catalog: MSysObjects' own definition and its rows for every object.
const Table& CatalogDefinition();
struct CatalogEntry {
    const Table* table;
    uint32_t objid;
    uint32_t fdp;
    uint32_t pages;
    uint32_t longValueObjid;  // 0 when the table has no long-value tree
    uint32_t longValueFdp;
};
std::vector<Row> CatalogRows(const std::vector<CatalogEntry>& entries);

}  // namespace esewriter::detail
