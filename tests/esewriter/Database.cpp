// The file: the header and its shadow (pages of the file's first two page
// sizes), then the database's pages from page 1. Page 1 is the database's
// root, 4 the catalog's, 24 its shadow's, as readers expect them; tables take
// the pages from 7 on in the order given, then the catalog its own.
#include "EseInternal.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace esewriter {
namespace {

using namespace detail;

constexpr uint32_t kFirstUserObjid = 8;
constexpr uint32_t kCatalogFdp = 4;
constexpr uint32_t kShadowFdp = 24;

// A fixed creation time (2026-01-02 03:04:05) keeps the files reproducible.
Bytes LogTime() { return {5, 4, 3, 2, 1, 126, 0, 0}; }

Bytes Header(const Database& database, uint32_t lastObjid) {
    Bytes page(database.pageSize, 0);
    uint8_t* p = page.data();
    SetLittle(p + 4, 0x89abcdef, 4);
    SetLittle(p + 8, 0x620, 4);
    SetLittle(p + 12, 0, 4);  // a database, not a streaming file
    SetLittle(p + 16, 0x1000, 8);
    SetLittle(p + 24, 0x4b56524b, 4);  // the database signature's random part
    Bytes time = LogTime();
    std::copy(time.begin(), time.end(), p + 28);
    SetLittle(p + 52, database.dirty ? 2 : 3, 4);
    if (!database.dirty) {
        std::copy(time.begin(), time.end(), p + 64);
        std::copy(time.begin(), time.end(), p + 88);
    }
    std::copy(time.begin(), time.end(), p + 72);
    SetLittle(p + 104, 0x474f4c4b, 4);  // the log signature's random part
    std::copy(time.begin(), time.end(), p + 108);
    SetLittle(p + 212, lastObjid, 4);
    SetLittle(p + 216, 6, 4);  // written as by Windows 6.2 build 9200
    SetLittle(p + 220, 2, 4);
    SetLittle(p + 224, 9200, 4);
    SetLittle(p + 232, database.revision, 4);
    SetLittle(p + 236, database.pageSize, 4);
    SetLittle(p + 340, 0x620, 4);
    SetLittle(p + 344, database.revision, 4);
    SetLittle(p, HeaderChecksum(p, database.pageSize), 4);
    return page;
}

std::vector<Node> SortedNodes(const Table& table, bool largePage, LongValues& longValues) {
    std::vector<Node> nodes;
    for (const Row& row : table.rows)
        nodes.push_back({PrimaryKey(table, row), EncodeRecord(table, row, largePage, longValues)});
    std::sort(nodes.begin(), nodes.end(), [](const Node& a, const Node& b) { return a.key < b.key; });
    for (size_t i = 1; i < nodes.size(); ++i) {
        if (nodes[i].key == nodes[i - 1].key) throw std::runtime_error(table.name + ": two rows with the same key");
    }
    return nodes;
}

}  // namespace

uint32_t LongValueChunkSize(uint32_t pageSize) {
    // the engine's chunk on 4 KiB pages; the same room left on the others
    return pageSize - 82 - (IsLargePage(pageSize) ? 40 : 0);
}

Bytes WriteDatabase(const Database& database) {
    const uint32_t pageSize = database.pageSize;
    if (pageSize != 4096 && pageSize != 8192 && pageSize != 16384 && pageSize != 32768) {
        throw std::runtime_error("unsupported page size " + std::to_string(pageSize));
    }
    const bool large = IsLargePage(pageSize);
    PageStore store(pageSize);
    std::vector<CatalogEntry> entries;
    Table shadowDefinition = CatalogDefinition();
    shadowDefinition.name = "MSysObjectsShadow";
    shadowDefinition.key.clear();
    entries.push_back({&CatalogDefinition(), 2, kCatalogFdp, 20, 0, 0});
    entries.push_back({&shadowDefinition, 3, kShadowFdp, 3, 0, 0});
    uint32_t objid = kFirstUserObjid;
    for (const Table& table : database.tables) {
        if (table.key.empty()) throw std::runtime_error(table.name + ": every table needs a primary key here");
        LongValues longValues;
        longValues.chunkSize = LongValueChunkSize(pageSize);
        Tree tree = ReserveTree(store, objid, 1, 0);
        BuildTree(store, tree, SortedNodes(table, large, longValues));
        CatalogEntry entry{&table, objid, tree.fdp, static_cast<uint32_t>(tree.owned.size()), 0, 0};
        ++objid;
        if (!longValues.nodes.empty()) {
            Tree lv = ReserveTree(store, objid, tree.fdp, kPageLongValue);
            BuildTree(store, lv, longValues.nodes);
            entry.longValueObjid = objid++;
            entry.longValueFdp = lv.fdp;
        }
        entries.push_back(entry);
    }
    LongValues none;
    none.chunkSize = 1;
    Table catalog = CatalogDefinition();
    catalog.rows = CatalogRows(entries);
    std::vector<Node> catalogNodes = SortedNodes(catalog, large, none);
    if (!none.nodes.empty()) throw std::runtime_error("a catalog row needs a long value");
    Tree catalogTree = FixedTree(2, 1, kCatalogFdp);
    BuildTree(store, catalogTree, catalogNodes);
    Tree shadowTree = FixedTree(3, 1, kShadowFdp);
    BuildTree(store, shadowTree, catalogNodes);
    BuildDatabaseRoot(store);

    Bytes header = Header(database, objid - 1);
    Bytes file;
    file.reserve(static_cast<size_t>(store.LastPage() + 2) * pageSize);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), header.begin(), header.end());
    for (const auto& [number, page] : store.Pages()) {
        if (file.size() != static_cast<size_t>(number + 1) * pageSize) throw std::logic_error("a page is missing");
        file.insert(file.end(), page.begin(), page.end());
    }
    return file;
}

void WriteDatabaseFile(const Database& database, const std::string& path) {
    Bytes file = WriteDatabase(database);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace esewriter
