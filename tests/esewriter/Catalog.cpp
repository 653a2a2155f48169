// The catalog, MSysObjects: one row per table (type 1), column (2), index (3)
// and long-value tree (4), keyed by (table objid, type, id). It describes
// itself and its shadow copy, MSysObjectsShadow, like every other table.
#include "EseInternal.h"

namespace esewriter::detail {
namespace {

enum CatalogType { kTable = 1, kColumn = 2, kIndex = 3, kLongValue = 4 };

Table MakeDefinition() {
    Table t;
    t.name = "MSysObjects";
    auto add = [&](uint32_t id, const char* name, ColumnType type, uint32_t codepage = 0) {
        t.columns.push_back({id, name, type, 0, codepage});
    };
    add(1, "ObjidTable", ColumnType::Long);
    add(2, "Type", ColumnType::Short);
    add(3, "Id", ColumnType::Long);
    add(4, "ColtypOrPgnoFDP", ColumnType::Long);
    add(5, "SpaceUsage", ColumnType::Long);
    add(6, "Flags", ColumnType::Long);
    add(7, "PagesOrLocale", ColumnType::Long);
    add(8, "RootFlag", ColumnType::Bit);
    add(9, "RecordOffset", ColumnType::Short);
    add(10, "LCMapFlags", ColumnType::Long);
    add(11, "KeyMost", ColumnType::UnsignedShort);
    add(12, "LVChunkMax", ColumnType::Long);
    add(128, "Name", ColumnType::Text, 1252);
    add(129, "Stats", ColumnType::Binary);
    add(130, "TemplateTable", ColumnType::Text, 1252);
    add(131, "DefaultValue", ColumnType::Binary);
    add(132, "KeyFldIDs", ColumnType::Binary);
    add(133, "VarSegMac", ColumnType::Binary);
    add(134, "ConditionalColumns", ColumnType::Binary);
    add(135, "TupleLimits", ColumnType::Binary);
    add(136, "Version", ColumnType::Binary);
    add(137, "SortID", ColumnType::Binary);
    add(256, "CallbackData", ColumnType::LongBinary);
    add(257, "CallbackDependencies", ColumnType::LongBinary);
    add(258, "SeparateLV", ColumnType::LongBinary);
    add(259, "SpaceHints", ColumnType::LongBinary);
    add(260, "SpaceDeferredLVHints", ColumnType::LongBinary);
    add(261, "LocaleName", ColumnType::LongBinary);
    t.key = {1, 2, 3};
    return t;
}

// Cells of one catalog row, in the catalog's own column numbers.
struct RowBuilder {
    Row row;
    RowBuilder& Int(uint32_t column, uint64_t value, int width = 4) {
        row.cells.push_back({column, LittleEndian(value, width)});
        return *this;
    }
    RowBuilder& Data(uint32_t column, Bytes value) {
        row.cells.push_back({column, std::move(value)});
        return *this;
    }
};

RowBuilder Head(uint32_t objid, CatalogType type, uint32_t id) {
    RowBuilder b;
    b.Int(1, objid).Int(2, type, 2).Int(3, id);
    return b;
}

constexpr uint32_t kDensity = 80;

void AddTable(std::vector<Row>& rows, const Table& table, uint32_t objid, uint32_t fdp, uint32_t pages) {
    rows.push_back(Head(objid, kTable, objid)
                       .Int(4, fdp)
                       .Int(5, kDensity)
                       .Int(6, 0)
                       .Int(7, pages)
                       .Int(8, 0xff, 1)
                       .Data(128, Ascii(table.name))
                       .row);
    uint32_t recordOffset = 4;
    for (const Column& column : table.columns) {
        const bool fixed = column.id < 128;
        uint32_t space = fixed                     ? FixedWidth(column)
                         : IsLongType(column.type) ? column.size
                                                   : (column.size ? column.size : 255);
        RowBuilder b = Head(objid, kColumn, column.id);
        b.Int(4, static_cast<uint32_t>(column.type)).Int(5, space).Int(6, 0).Int(7, column.codepage);
        if (fixed) {
            b.Int(9, recordOffset, 2);
            recordOffset += space;
        }
        rows.push_back(b.Data(128, Ascii(column.name)).row);
    }
    if (!table.key.empty()) {
        Bytes segments;
        for (uint32_t id : table.key) {
            PutLittle(segments, 0, 2);  // ascending
            PutLittle(segments, id, 2);
        }
        rows.push_back(Head(objid, kIndex, objid)
                           .Int(4, fdp)
                           .Int(5, kDensity)
                           .Int(6, 0x1002f)
                           .Int(7, 1033)
                           .Int(10, 0x30401)
                           .Int(11, 255, 2)
                           .Data(128, Ascii(table.name == "MSysObjects" ? "Id" : "PrimaryKey"))
                           .Data(132, segments)
                           .row);
    }
}

}  // namespace

const Table& CatalogDefinition() {
    static const Table definition = MakeDefinition();
    return definition;
}

std::vector<Row> CatalogRows(const std::vector<CatalogEntry>& entries) {
    std::vector<Row> rows;
    for (const CatalogEntry& entry : entries) {
        AddTable(rows, *entry.table, entry.objid, entry.fdp, entry.pages);
        if (entry.longValueObjid) {
            rows.push_back(Head(entry.objid, kLongValue, entry.longValueObjid)
                               .Int(4, entry.longValueFdp)
                               .Int(5, 100)
                               .Int(6, 0)
                               .Int(7, 1)
                               .Data(128, Ascii("LV"))
                               .row);
        }
    }
    return rows;
}

}  // namespace esewriter::detail
