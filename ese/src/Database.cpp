#include "ese/Database.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "Bytes.h"
#include "Checksum.h"
#include "Page.h"
#include "ese/Compression.h"

namespace korvane::ese {
namespace {

constexpr uint32_t kSignature = 0x89ABCDEF;
constexpr uint32_t kCatalogRoot = 4;         // MSysObjects' root page, fixed by the format
constexpr uint32_t kCatalogObjectId = 2;
constexpr uint32_t kShadowCatalogRoot = 24;  // MSysObjectsShadow's, likewise
constexpr uint32_t kShadowCatalogObjectId = 3;
constexpr int kMaxTreeDepth = 16;             // real trees stay under 6 levels
constexpr uint32_t kColumnCompressed = 0x1000;  // catalog flag: the column's long values are compressed chunk by chunk

// Tagged field header bits.
enum : uint8_t {
    kTagLongValue = 0x01,
    kTagCompressed = 0x02,
    kTagSeparated = 0x04,
    kTagMultiValues = 0x08,
    kTagTwoValues = 0x10,
    kTagNull = 0x20,
    kTagEncrypted = 0x40,
};

uint32_t FixedSize(const Column& column) {
    switch (column.type) {
    case ColumnType::Bit:
    case ColumnType::UnsignedByte: return 1;
    case ColumnType::Short:
    case ColumnType::UnsignedShort: return 2;
    case ColumnType::Long:
    case ColumnType::UnsignedLong:
    case ColumnType::IEEESingle: return 4;
    case ColumnType::Currency:
    case ColumnType::IEEEDouble:
    case ColumnType::DateTime:
    case ColumnType::LongLong: return 8;
    case ColumnType::GUID: return 16;
    default: return column.size;
    }
}

// The catalog's own columns, which the catalog must be read with before it can describe anything.
Table CatalogSchema(const char* name, uint32_t objectId, uint32_t root) {
    struct Def {
        const char* name;
        uint32_t id;
        ColumnType type;
    };
    static const Def defs[] = {
        {"ObjidTable", 1, ColumnType::Long},        {"Type", 2, ColumnType::Short},
        {"Id", 3, ColumnType::Long},                {"ColtypOrPgnoFDP", 4, ColumnType::Long},
        {"SpaceUsage", 5, ColumnType::Long},        {"Flags", 6, ColumnType::Long},
        {"PagesOrLocale", 7, ColumnType::Long},     {"RootFlag", 8, ColumnType::Bit},
        {"RecordOffset", 9, ColumnType::Short},     {"LCMapFlags", 10, ColumnType::Long},
        {"KeyMost", 11, ColumnType::UnsignedShort}, {"LVChunkMax", 12, ColumnType::Long},
        {"Name", 128, ColumnType::Text},            {"Stats", 129, ColumnType::Binary},
        {"TemplateTable", 130, ColumnType::Text},   {"DefaultValue", 131, ColumnType::Binary},
        {"KeyFldIDs", 132, ColumnType::Binary},     {"VarSegMac", 133, ColumnType::Binary},
        {"ConditionalColumns", 134, ColumnType::Binary}, {"TupleLimits", 135, ColumnType::Binary},
        {"Version", 136, ColumnType::Binary},       {"SortID", 137, ColumnType::Binary},
        {"CallbackData", 256, ColumnType::LongBinary},   {"CallbackDependencies", 257, ColumnType::LongBinary},
        {"SeparateLV", 258, ColumnType::LongBinary},     {"SpaceHints", 259, ColumnType::LongBinary},
        {"SpaceDeferredLVHints", 260, ColumnType::LongBinary}, {"LocaleName", 261, ColumnType::LongText},
    };
    Table table;
    table.name = name;
    table.objectId = objectId;
    table.rootPage = root;
    for (const Def& def : defs) {
        Column column;
        column.name = def.name;
        column.id = def.id;
        column.type = def.type;
        column.codePage = def.type == ColumnType::Text ? 1252 : (def.type == ColumnType::LongText ? 1200 : 0);
        table.columns.push_back(column);
    }
    return table;
}

// Where each column of a table lives in its records.
struct Layout {
    struct Fixed {
        int column = -1;
        uint32_t offset = 0;
        uint32_t size = 0;
    };
    Fixed fixed[128];
    int variable[128];
    std::vector<std::pair<uint32_t, int>> tagged;  // (fid | derived << 16, column), sorted

    explicit Layout(const Table& table) {
        for (int& v : variable) v = -1;
        uint32_t offset = 4;
        for (size_t i = 0; i < table.columns.size(); ++i) {
            const Column& c = table.columns[i];
            if (c.id >= 1 && c.id <= 127) {
                fixed[c.id].column = static_cast<int>(i);
                fixed[c.id].size = FixedSize(c);
            } else if (c.id >= 128 && c.id <= 255) {
                variable[c.id - 128] = static_cast<int>(i);
            } else if (c.id >= 256) {
                // A derived table's own tagged fields and its template's share ids; the record tells them apart.
                bool derived = c.fromTemplate && !table.templateName.empty();
                tagged.emplace_back((c.id & 0xFFFF) | (derived ? 0x10000u : 0u), static_cast<int>(i));
            }
        }
        // Fixed columns follow one another in id order, each at the sum of those before it.
        for (uint32_t id = 1; id <= 127; ++id) {
            fixed[id].offset = offset;
            offset += fixed[id].size;
        }
        std::sort(tagged.begin(), tagged.end());
    }

    int Tagged(uint32_t fid, bool derived) const {
        uint32_t key = fid | (derived ? 0x10000u : 0u);
        auto it = std::lower_bound(tagged.begin(), tagged.end(), std::make_pair(key, -1));
        if (it != tagged.end() && it->first == key) return it->second;
        if (derived) return Tagged(fid, false);
        return -1;
    }
};

struct CatalogRow {
    uint32_t objidTable = 0, type = 0, id = 0, coltypOrPgno = 0, spaceUsage = 0, flags = 0, pagesOrLocale = 0;
    std::string name, templateTable;
    bool hasDefault = false;
    std::vector<uint8_t> defaultValue, keyColumns;
};

}  // namespace

std::string ColumnTypeName(ColumnType type) {
    static const char* names[] = {"Nil",        "Bit",          "UnsignedByte", "Short",     "Long",
                                  "Currency",   "IEEESingle",   "IEEEDouble",   "DateTime",  "Binary",
                                  "Text",       "LongBinary",   "LongText",     "SLV",       "UnsignedLong",
                                  "LongLong",   "GUID",         "UnsignedShort"};
    uint32_t n = static_cast<uint32_t>(type);
    if (n < sizeof names / sizeof names[0]) return names[n];
    return "Unknown(" + std::to_string(n) + ")";
}

std::string DatabaseStateName(uint32_t state) {
    switch (state) {
    case 1: return "just_created";
    case 2: return "dirty";
    case 3: return "clean";
    case 4: return "being_converted";
    case 5: return "force_detach";
    default: return "unknown_" + std::to_string(state);
    }
}

struct Database::Impl {
    std::unique_ptr<File> file;
    HeaderInfo header;
    std::unique_ptr<PageCache> cache;
    std::vector<Table> tables;
    std::vector<Issue> issues;
    std::unordered_set<uint64_t> reported;  // page numbers already in issues (plus a kind bit)
    std::unordered_map<const Table*, std::unique_ptr<Layout>> layouts;

    void Report(uint32_t page, const std::string& text, bool corrected = false) {
        uint64_t key = (static_cast<uint64_t>(page) << 1) | (corrected ? 1 : 0);
        if (page != 0 && !reported.insert(key).second) return;
        issues.push_back({page, page ? "page " + std::to_string(page) + ": " + text : text, corrected});
    }

    // A page of the tree `objectId`, or null after reporting why it cannot be used.
    std::shared_ptr<const Page> TreePage(uint32_t number, uint32_t objectId) {
        std::shared_ptr<const Page> page = cache->Get(number);
        if (!page->error.empty()) {
            Report(number, page->error);
            return nullptr;
        }
        if (!page->correction.empty()) Report(number, page->correction, true);
        if (page->objectId != objectId) {
            Report(number, "belongs to object " + std::to_string(page->objectId) + ", not to object " +
                               std::to_string(objectId) + " whose tree names it");
            return nullptr;
        }
        if (page->Has(kPageSpaceTree)) {
            Report(number, "a space-tree page where a data page was expected");
            return nullptr;
        }
        return page;
    }

    struct Walk {
        uint32_t objectId;
        const std::function<bool(const Node&)>* visit;
        std::vector<uint32_t> path;
        uint64_t visited = 0;
        uint32_t lastLeaf = 0;
        bool sound = true;
        bool stopped = false;
    };

    // Every leaf node of the tree in key order; damaged subtrees are reported and skipped.
    bool WalkTree(uint32_t root, uint32_t objectId, const std::function<bool(const Node&)>& visit) {
        Walk walk{objectId, &visit, {}, 0, 0, true, false};
        WalkPage(walk, root, true);
        return walk.sound;
    }

    void WalkPage(Walk& walk, uint32_t number, bool isRoot) {
        if (walk.stopped) return;
        if (++walk.visited > cache->PageCount()) {
            Report(number, "the tree of object " + std::to_string(walk.objectId) +
                               " reaches more pages than the file holds; the walk stops here");
            walk.sound = false;
            walk.stopped = true;
            return;
        }
        std::shared_ptr<const Page> page = TreePage(number, walk.objectId);
        if (!page) {
            walk.sound = false;
            return;
        }
        if (isRoot != page->Has(kPageRoot)) {
            Report(number, isRoot ? "the tree's root page is not marked as a root"
                                  : "a root page named as the child of another page");
            walk.sound = false;
            return;
        }
        walk.path.push_back(number);
        std::string why;
        if (page->Has(kPageLeaf)) {
            if (walk.lastLeaf != 0 && page->prev != walk.lastLeaf)
                Report(number, "its previous-page link names page " + std::to_string(page->prev) +
                                   ", but the leaf before it is page " + std::to_string(walk.lastLeaf));
            walk.lastLeaf = number;
            for (size_t i = 1; i <= page->NodeCount() && !walk.stopped; ++i) {
                Node node;
                if (!page->GetNode(i, node, why)) {
                    Report(number, why);
                    walk.sound = false;
                    continue;
                }
                if (node.flags & kNodeDeleted) continue;
                if (!(*walk.visit)(node)) walk.stopped = true;
            }
        } else if (static_cast<int>(walk.path.size()) >= kMaxTreeDepth) {
            Report(number, "the tree is deeper than " + std::to_string(kMaxTreeDepth) + " levels");
            walk.sound = false;
        } else {
            for (size_t i = 1; i <= page->NodeCount() && !walk.stopped; ++i) {
                Node node;
                if (!page->GetNode(i, node, why) || node.dataSize < 4) {
                    Report(number, why.empty() ? "branch node " + std::to_string(i) + " names no child page" : why);
                    walk.sound = false;
                    continue;
                }
                uint32_t child = Le32(node.data);
                if (std::find(walk.path.begin(), walk.path.end(), child) != walk.path.end()) {
                    Report(number, "names page " + std::to_string(child) + ", itself or a page above it, as child");
                    walk.sound = false;
                    continue;
                }
                WalkPage(walk, child, false);
            }
        }
        walk.path.pop_back();
    }

    const Layout& LayoutOf(const Table& table) {
        auto& slot = layouts[&table];
        if (!slot) slot = std::make_unique<Layout>(table);
        return *slot;
    }

    Item Decompressed(const uint8_t* data, size_t size) {
        Item item;
        DecompressedValue value = DecompressValue(data, size);
        if (value.status == DecompressedValue::Status::Ok) {
            item.bytes = std::move(value.bytes);
        } else {
            item.error = value.error.empty() ? "compressed with scheme " + std::to_string(value.scheme) + ", damaged"
                                             : value.error;
        }
        return item;
    }

    // Finds the leaf where `key` is or would be, descending by separator keys.
    std::shared_ptr<const Page> SeekLeaf(uint32_t root, uint32_t objectId, const std::vector<uint8_t>& key,
                                          std::string& error) {
        uint32_t number = root;
        for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
            std::shared_ptr<const Page> page = TreePage(number, objectId);
            if (!page) {
                error = "its page " + std::to_string(number) + " is damaged";
                return nullptr;
            }
            if (page->Has(kPageLeaf)) return page;
            size_t count = page->NodeCount();
            if (count == 0) {
                error = "page " + std::to_string(number) + " is an empty branch";
                return nullptr;
            }
            uint32_t child = 0;
            for (size_t i = 1; i <= count; ++i) {
                Node node;
                std::string why;
                if (!page->GetNode(i, node, why) || node.dataSize < 4) {
                    Report(number, why.empty() ? "branch node " + std::to_string(i) + " names no child page" : why);
                    error = "page " + std::to_string(number) + " is damaged";
                    return nullptr;
                }
                child = Le32(node.data);
                if (i == count || node.CompareKey(key) >= 0) break;
            }
            if (child == number) {
                Report(number, "names itself as child");
                error = "page " + std::to_string(number) + " is damaged";
                return nullptr;
            }
            number = child;
        }
        error = "the long-value tree is deeper than " + std::to_string(kMaxTreeDepth) + " levels";
        return nullptr;
    }

    // A separated long value: its root node gives the size, its chunks follow in key order.
    Item LongValue(const Table& table, const uint8_t* lidBytes, size_t lidSize, bool compressedChunks) {
        Item item;
        if (table.longValueRoot == 0) {
            item.error = "a separated long value, but the table has no long-value tree";
            return item;
        }
        if (lidSize != 4 && lidSize != 8) {
            item.error = "a separated long value with an id of " + std::to_string(lidSize) + " bytes";
            return item;
        }
        std::vector<uint8_t> key(lidSize);
        for (size_t i = 0; i < lidSize; ++i) key[i] = lidBytes[lidSize - 1 - i];  // stored little-endian, keyed big
        std::string error;
        std::shared_ptr<const Page> page = SeekLeaf(table.longValueRoot, lvObjectIds[&table], key, error);
        if (!page) {
            item.error = "long value unreadable: " + error;
            return item;
        }
        bool haveRoot = false;
        uint64_t size = 0;
        uint64_t pagesLeft = cache->PageCount();
        for (;;) {
            for (size_t i = 1; i <= page->NodeCount(); ++i) {
                Node node;
                std::string why;
                if (!page->GetNode(i, node, why)) {
                    Report(page->number, why);
                    item.error = "long value unreadable: page " + std::to_string(page->number) + " is damaged";
                    return item;
                }
                if (node.flags & kNodeDeleted) continue;
                int order = node.CompareKey(key);
                if (order < 0) continue;
                bool sameId = node.KeySize() >= lidSize;
                for (size_t b = 0; sameId && b < lidSize; ++b) sameId = node.KeyByte(static_cast<uint32_t>(b)) == key[b];
                if (!sameId) {
                    if (!haveRoot) item.error = "long value " + LidText(key) + " is missing";
                    else if (item.bytes.size() != size)
                        item.error = "long value " + LidText(key) + " ends after " + std::to_string(item.bytes.size()) +
                                     " of its " + std::to_string(size) + " bytes";
                    if (!item.error.empty()) item.bytes.clear();
                    return item;
                }
                if (node.KeySize() == lidSize) {
                    if (node.dataSize < 8) {
                        item.error = "long value " + LidText(key) + " has a damaged root";
                        return item;
                    }
                    haveRoot = true;
                    size = Le32(node.data + 4);
                    if (node.dataSize >= 9 && (node.data[8] & 0x01)) {
                        item.error = "long value " + LidText(key) + " is encrypted, not supported";
                        return item;
                    }
                    item.bytes.reserve(static_cast<size_t>(std::min<uint64_t>(size, 64u << 20)));
                    continue;
                }
                if (!haveRoot || node.KeySize() != lidSize + 4) {
                    item.error = "long value " + LidText(key) + " has a chunk without its root";
                    item.bytes.clear();
                    return item;
                }
                uint32_t offset = 0;
                for (uint32_t b = 0; b < 4; ++b) offset = (offset << 8) | node.KeyByte(static_cast<uint32_t>(lidSize) + b);
                if (offset != item.bytes.size()) {
                    item.error = "long value " + LidText(key) + " has a chunk at offset " + std::to_string(offset) +
                                 " where " + std::to_string(item.bytes.size()) + " was expected";
                    item.bytes.clear();
                    return item;
                }
                // A column that compresses may still hold chunks stored as they are; scheme 0 names none.
                if (compressedChunks && node.dataSize > 0 && (node.data[0] >> 3) != 0) {
                    Item chunk = Decompressed(node.data, node.dataSize);
                    if (!chunk.Ok()) {
                        item.error = chunk.error;
                        item.bytes.clear();
                        return item;
                    }
                    item.bytes.insert(item.bytes.end(), chunk.bytes.begin(), chunk.bytes.end());
                } else {
                    item.bytes.insert(item.bytes.end(), node.data, node.data + node.dataSize);
                }
                if (item.bytes.size() > size) {
                    item.error = "long value " + LidText(key) + " holds more than its " + std::to_string(size) + " bytes";
                    item.bytes.clear();
                    return item;
                }
            }
            if (page->next == 0 || --pagesLeft == 0) break;
            uint32_t from = page->number;
            page = TreePage(page->next, lvObjectIds[&table]);
            if (!page) {
                item.error = "long value unreadable: the page after page " + std::to_string(from) + " is damaged";
                item.bytes.clear();
                return item;
            }
        }
        if (!haveRoot) item.error = "long value " + LidText(key) + " is missing";
        else if (item.bytes.size() != size)
            item.error = "long value " + LidText(key) + " ends after " + std::to_string(item.bytes.size()) + " of its " +
                         std::to_string(size) + " bytes";
        if (!item.error.empty()) item.bytes.clear();
        return item;
    }

    static std::string LidText(const std::vector<uint8_t>& key) {
        uint64_t id = 0;
        for (uint8_t b : key) id = (id << 8) | b;
        return std::to_string(id & 0x7FFFFFFFFFFFFFFFull);
    }

    std::unordered_map<const Table*, uint32_t> lvObjectIds;

    // One tagged field's bytes (after its header byte) as the cell's items.
    void TaggedCell(const Table& table, const Column& column, uint8_t header, const uint8_t* data, uint32_t size,
                    Cell& cell) {
        const bool chunksCompressed = (header & kTagCompressed) || (column.flags & kColumnCompressed);
        cell.null = false;
        if (header & kTagNull) {
            cell.null = true;
            return;
        }
        if (header & kTagEncrypted) {
            cell.items.push_back({{}, "encrypted, not supported"});
            return;
        }
        if (header & kTagMultiValues) {
            if (header & kTagTwoValues) {
                if (size < 1 || data[0] > size - 1) {
                    cell.items.push_back({{}, "a two-value field whose first size runs past the record"});
                    return;
                }
                cell.multi = true;
                cell.items.push_back({std::vector<uint8_t>(data + 1, data + 1 + data[0]), {}});
                cell.items.push_back({std::vector<uint8_t>(data + 1 + data[0], data + size), {}});
                return;
            }
            if (size < 2 || (Le16(data) & 0x7FFF) < 2 || (Le16(data) & 0x7FFF) % 2 || (Le16(data) & 0x7FFF) > size) {
                cell.items.push_back({{}, "a multi-valued field whose offsets do not fit the record"});
                return;
            }
            const uint32_t count = (Le16(data) & 0x7FFF) / 2;
            cell.multi = count > 1;
            for (uint32_t k = 0; k < count; ++k) {
                uint16_t raw = Le16(data + 2 * k);
                uint32_t start = raw & 0x7FFF;
                uint32_t end = k + 1 < count ? (Le16(data + 2 * (k + 1)) & 0x7FFFu) : size;
                if (start > end || end > size) {
                    cell.items.push_back({{}, "value " + std::to_string(k + 1) + " runs past the record"});
                    continue;
                }
                if (raw & 0x8000) {
                    cell.items.push_back(LongValue(table, data + start, end - start, chunksCompressed));
                } else if ((header & kTagCompressed) && k == 0) {
                    // Only the first value of a multi-valued field is ever stored compressed.
                    cell.items.push_back(Decompressed(data + start, end - start));
                } else {
                    cell.items.push_back({std::vector<uint8_t>(data + start, data + end), {}});
                }
            }
            return;
        }
        if (header & kTagSeparated) {
            cell.items.push_back(LongValue(table, data, size, chunksCompressed));
        } else if (header & kTagCompressed) {
            cell.items.push_back(Decompressed(data, size));
        } else {
            cell.items.push_back({std::vector<uint8_t>(data, data + size), {}});
        }
    }

    static void SetDefault(const Column& column, Cell& cell) {
        if (!column.hasDefault) return;
        cell.null = false;
        cell.items.push_back({column.defaultValue, {}});
    }

    // Decodes one record; a record whose own structure is damaged fills every
    // cell it cannot place with an error.
    void DecodeRecord(const Table& table, const uint8_t* rec, uint32_t size, Record& out) {
        const Layout& layout = LayoutOf(table);
        out.assign(table.columns.size(), Cell());
        auto failAll = [&](const std::string& why) {
            for (Cell& cell : out) {
                cell = Cell();
                cell.null = false;
                cell.items.push_back({{}, "record damaged: " + why});
            }
        };
        if (size < 4) return failAll("shorter than its header");
        const uint32_t lastFixed = rec[0], lastVar = rec[1], endFixed = Le16(rec + 2);
        const uint32_t bitmapSize = (lastFixed + 7) / 8;
        if (lastFixed > 127 || lastVar < 127 || endFixed > size || endFixed < 4 + bitmapSize)
            return failAll("its header does not fit the record");
        const uint8_t* bitmap = rec + endFixed - bitmapSize;
        const uint32_t fixedEnd = endFixed - bitmapSize;
        for (uint32_t id = 1; id <= 127; ++id) {
            const Layout::Fixed& f = layout.fixed[id];
            if (f.column < 0) continue;
            Cell& cell = out[f.column];
            if (id > lastFixed) {
                SetDefault(table.columns[f.column], cell);
                continue;
            }
            if (bitmap[(id - 1) / 8] & (1u << ((id - 1) % 8))) continue;
            cell.null = false;
            if (f.offset + f.size > fixedEnd) {
                cell.items.push_back({{}, "fixed column runs past the record's fixed data"});
            } else {
                cell.items.push_back({std::vector<uint8_t>(rec + f.offset, rec + f.offset + f.size), {}});
            }
        }
        const uint32_t varCount = lastVar - 127;
        const uint32_t varData = endFixed + 2 * varCount;
        if (varData > size) return failAll("its variable-column offsets run past the record");
        uint32_t previous = 0;
        for (uint32_t k = 0; k < 128; ++k) {
            int column = layout.variable[k];
            if (k >= varCount) {
                if (column >= 0) SetDefault(table.columns[column], out[column]);
                continue;
            }
            uint16_t raw = Le16(rec + endFixed + 2 * k);
            uint32_t end = raw & 0x7FFF;
            uint32_t start = previous;
            previous = end;
            if (column < 0 || (raw & 0x8000)) continue;
            Cell& cell = out[column];
            cell.null = false;
            if (start > end || end > size - varData) {
                cell.items.push_back({{}, "variable column runs past the record"});
            } else {
                cell.items.push_back({std::vector<uint8_t>(rec + varData + start, rec + varData + end), {}});
            }
        }
        std::vector<bool> seen(layout.tagged.empty() ? 0 : table.columns.size(), false);
        const uint32_t taggedStart = varData + previous;
        if (taggedStart < size) {
            const uint8_t* tagged = rec + taggedStart;
            const uint32_t taggedSize = size - taggedStart;
            const bool large = header.pageSize > 8192;
            const uint16_t mask = large ? 0x7FFF : 0x1FFF;
            uint32_t count = taggedSize >= 4 ? (Le16(tagged + 2) & mask) / 4 : 0;
            if (count == 0 || count * 4 > taggedSize) {
                failAll("its tagged-column directory does not fit the record");
                return;
            }
            for (uint32_t k = 0; k < count; ++k) {
                uint32_t fid = Le16(tagged + 4 * k);
                uint16_t raw = Le16(tagged + 4 * k + 2);
                uint32_t start = raw & mask;
                uint32_t end = k + 1 < count ? (Le16(tagged + 4 * (k + 1) + 2) & mask) : taggedSize;
                int column = layout.Tagged(fid, (raw & 0x8000) != 0);
                if (column < 0) continue;
                Cell& cell = out[column];
                seen[column] = true;
                if (start < count * 4 || start > end || end > taggedSize) {
                    cell.null = false;
                    cell.items.push_back({{}, "tagged column runs past the record"});
                    continue;
                }
                if (!large && (raw & 0x2000)) continue;  // NULL, on pages up to 8 KiB
                bool hasHeader = large || (raw & 0x4000);
                uint8_t headerByte = 0;
                if (hasHeader) {
                    if (start == end) {
                        cell.null = false;
                        cell.items.push_back({{}, "tagged column lacks its flags byte"});
                        continue;
                    }
                    headerByte = tagged[start++];
                }
                TaggedCell(table, table.columns[column], headerByte, tagged + start, end - start, cell);
            }
        }
        for (const auto& entry : layout.tagged) {
            int column = entry.second;
            if (!seen.empty() && !seen[column] && out[column].null && out[column].items.empty())
                SetDefault(table.columns[column], out[column]);
        }
    }

    static uint32_t U32(const Cell& cell) {
        if (cell.null || cell.items.empty() || !cell.items[0].Ok()) return 0;
        const std::vector<uint8_t>& b = cell.items[0].bytes;
        if (b.size() >= 4) return Le32(b.data());
        if (b.size() >= 2) return Le16(b.data());
        return b.empty() ? 0 : b[0];
    }
    static std::string Text(const Cell& cell) {
        if (cell.null || cell.items.empty() || !cell.items[0].Ok()) return std::string();
        return std::string(cell.items[0].bytes.begin(), cell.items[0].bytes.end());
    }

    bool ReadCatalogRows(uint32_t root, uint32_t objectId, std::vector<CatalogRow>& rows) {
        Table schema = CatalogSchema("MSysObjects", objectId, root);
        Record record;
        return WalkTree(root, objectId, [&](const Node& node) {
            DecodeRecord(schema, node.data, node.dataSize, record);
            CatalogRow row;
            row.objidTable = U32(record[0]);
            row.type = U32(record[1]) & 0xFFFF;
            row.id = U32(record[2]);
            row.coltypOrPgno = U32(record[3]);
            row.spaceUsage = U32(record[4]);
            row.flags = U32(record[5]);
            row.pagesOrLocale = U32(record[6]);
            row.name = Text(record[12]);
            row.templateTable = Text(record[14]);
            const Cell& def = record[15];
            if (!def.null && !def.items.empty() && def.items[0].Ok()) {
                row.hasDefault = true;
                row.defaultValue = def.items[0].bytes;
            }
            if (!record[16].null && !record[16].items.empty()) row.keyColumns = record[16].items[0].bytes;
            rows.push_back(std::move(row));
            return true;
        });
    }

    bool LoadCatalog(std::string& error) {
        std::vector<CatalogRow> rows;
        size_t before = issues.size();
        if (!ReadCatalogRows(kCatalogRoot, kCatalogObjectId, rows)) {
            std::vector<CatalogRow> shadow;
            size_t mark = issues.size();
            if (ReadCatalogRows(kShadowCatalogRoot, kShadowCatalogObjectId, shadow) && !shadow.empty()) {
                rows = std::move(shadow);
                Report(0, "the catalog is damaged; its shadow copy is read instead");
            } else {
                issues.resize(mark);  // the shadow's own problems add nothing when the catalog stands as it is
                if (rows.empty()) {
                    error = "the catalog (page " + std::to_string(kCatalogRoot) + ") cannot be read: " +
                            (issues.size() > before ? issues[before].text : std::string("damaged"));
                    return false;
                }
            }
        }
        std::unordered_map<uint32_t, size_t> byObject;
        for (const CatalogRow& row : rows) {
            if (row.type != 1 || byObject.count(row.id)) continue;
            Table table;
            table.name = row.name;
            table.objectId = row.id;
            table.rootPage = row.coltypOrPgno;
            table.templateName = row.templateTable;
            byObject[row.id] = tables.size();
            tables.push_back(std::move(table));
        }
        std::unordered_map<uint32_t, uint32_t> lvObjects;
        for (const CatalogRow& row : rows) {
            auto it = byObject.find(row.objidTable);
            if (it == byObject.end()) continue;
            Table& table = tables[it->second];
            if (row.type == 2) {
                Column column;
                column.name = row.name;
                column.id = row.id;
                column.type = static_cast<ColumnType>(row.coltypOrPgno);
                column.size = row.spaceUsage;
                column.flags = row.flags;
                column.codePage = row.pagesOrLocale;
                column.hasDefault = row.hasDefault;
                column.defaultValue = row.defaultValue;
                table.columns.push_back(std::move(column));
            } else if (row.type == 3) {
                table.indexes.push_back({row.name, row.coltypOrPgno, row.keyColumns});
            } else if (row.type == 4 && table.longValueRoot == 0) {
                table.longValueRoot = row.coltypOrPgno;
                lvObjects[table.objectId] = row.id;
            }
        }
        for (Table& table : tables) {
            std::stable_sort(table.columns.begin(), table.columns.end(),
                             [](const Column& a, const Column& b) { return a.id < b.id; });
        }
        // A derived table holds its template's columns before its own.
        for (Table& table : tables) {
            if (table.templateName.empty()) continue;
            auto found = std::find_if(tables.begin(), tables.end(),
                                      [&](const Table& t) { return t.name == table.templateName && &t != &table; });
            if (found == tables.end()) {
                Report(0, "table " + table.name + " names template " + table.templateName + ", which is missing");
                continue;
            }
            std::vector<Column> inherited = found->columns;
            for (Column& c : inherited) c.fromTemplate = true;
            inherited.insert(inherited.end(), table.columns.begin(), table.columns.end());
            std::stable_sort(inherited.begin(), inherited.end(),
                             [](const Column& a, const Column& b) { return a.id < b.id; });
            table.columns = std::move(inherited);
        }
        for (Table& table : tables) {
            if (table.objectId == kCatalogObjectId && table.columns.empty())
                table.columns = CatalogSchema("MSysObjects", kCatalogObjectId, kCatalogRoot).columns;
            lvObjectIds[&table] = lvObjects.count(table.objectId) ? lvObjects[table.objectId] : 0;
        }
        return true;
    }
};

namespace {

bool ReadHeader(File& file, uint64_t offset, HeaderInfo& info, std::string& why) {
    uint8_t header[4096];
    if (!file.ReadAt(offset, header, sizeof header, why)) return false;
    if (Le32(header + 4) != kSignature) {
        why = "no ESE signature";
        return false;
    }
    if (HeaderChecksum(header) != Le32(header)) {
        why = "header checksum mismatch";
        return false;
    }
    if (Le32(header + 12) != 0) {
        why = "an ESE file of type " + std::to_string(Le32(header + 12)) + ", not a database";
        return false;
    }
    info.formatVersion = Le32(header + 8);
    info.state = Le32(header + 52);
    info.formatRevision = Le32(header + 232);
    info.pageSize = Le32(header + 236);
    if (info.pageSize == 0) info.pageSize = 4096;  // the oldest formats leave it unset
    if (info.pageSize != 2048 && info.pageSize != 4096 && info.pageSize != 8192 && info.pageSize != 16384 &&
        info.pageSize != 32768) {
        why = "page size " + std::to_string(info.pageSize) + " is not one the format has";
        return false;
    }
    return true;
}

}  // namespace

Database::Database(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
Database::~Database() = default;

std::unique_ptr<Database> Database::Open(std::unique_ptr<File> file, std::string& error, Options options) {
    auto impl = std::make_unique<Impl>();
    const uint64_t fileSize = file->Size();
    if (fileSize < 4096) {
        error = "not an ESE database: the file is shorter than a database header";
        return nullptr;
    }
    std::string why;
    HeaderInfo info;
    if (!ReadHeader(*file, 0, info, why)) {
        std::string shadowWhy;
        bool found = false;
        for (uint32_t size : {4096u, 8192u, 16384u, 32768u, 2048u}) {
            HeaderInfo shadow;
            if (fileSize >= 2ull * size + 4096 && ReadHeader(*file, size, shadow, shadowWhy) &&
                shadow.pageSize == size) {
                info = shadow;
                info.fromShadow = true;
                found = true;
                break;
            }
        }
        if (!found) {
            error = "not an ESE database: " + why + (why == "no ESE signature" ? "" : ", and no sound shadow header");
            return nullptr;
        }
        impl->Report(0, "the database header is damaged (" + why + "); its shadow copy is used");
    }
    if (fileSize < 3ull * info.pageSize) {
        error = "not an ESE database: the file is too short for its page size";
        return nullptr;
    }
    info.pages = fileSize / info.pageSize - 2;
    if (fileSize % info.pageSize)
        impl->Report(0, "the file ends " + std::to_string(fileSize % info.pageSize) + " bytes into a page");
    impl->header = info;
    impl->file = std::move(file);
    impl->cache = std::make_unique<PageCache>(*impl->file, info.pageSize, info.formatRevision, info.pages,
                                              options.cacheBytes);
    if (!impl->LoadCatalog(error)) {
        error = "not a readable ESE database: " + error;
        return nullptr;
    }
    return std::unique_ptr<Database>(new Database(std::move(impl)));
}

const HeaderInfo& Database::Header() const { return m_impl->header; }
const std::vector<Table>& Database::Tables() const { return m_impl->tables; }
const std::vector<Issue>& Database::Issues() const { return m_impl->issues; }
uint64_t Database::BytesRead() const { return m_impl->cache->BytesRead(); }

const Table* Database::FindTable(const std::string& name) const {
    for (const Table& table : m_impl->tables)
        if (table.name == name) return &table;
    return nullptr;
}

bool Database::ForEachRecord(const Table& table, const std::function<bool(const Record&)>& visit) {
    Record record;
    return m_impl->WalkTree(table.rootPage, table.objectId, [&](const Node& node) {
        m_impl->DecodeRecord(table, node.data, node.dataSize, record);
        return visit(record);
    });
}

bool Database::CountRecords(const Table& table, uint64_t& count) {
    count = 0;
    return m_impl->WalkTree(table.rootPage, table.objectId, [&](const Node&) {
        ++count;
        return true;
    });
}

}  // namespace korvane::ese
