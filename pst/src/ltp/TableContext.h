#pragma once
// Table context ([MS-PST] 2.3.4): a heap holding the TCINFO (HID 0x40), a row
// index BTree-on-heap (HID 0x20, RowId -> row number) and the variable-size
// cell values; the row matrix sits in the heap while it fits one allocation and
// moves to subnode 0x3F, in blocks of whole rows padded to 8176 bytes, beyond
// that. Rows are appended in ascending RowId order (ids come from counters
// that only grow), which keeps every append at the right edge of the index.

#include <cstdint>
#include <memory>
#include <vector>

#include "ltp/Heap.h"
#include "ltp/Property.h"
#include "ltp/PropertyContext.h"
#include "ltp/TableSchema.h"
#include "ndb/DataTree.h"

namespace pst {

struct TableRow {
    uint32_t rowId = 0;
    std::vector<Property> cells;  // only the cells that exist
};

class TableContext {
public:
    // A new, empty table.
    TableContext(Database& db, const TableSchema& schema);
    // The table stored in an existing node.
    TableContext(Database& db, const NodeContent& node);

    const TableSchema& Schema() const { return m_schema; }
    uint32_t RowCount() const { return m_rowCount; }

    // Cells whose tag is not a column are ignored; values longer than a heap
    // allocation are stored whole in a subnode of the table.
    void AppendRow(uint32_t rowId, const std::vector<Property>& cells);
    // Changes fixed-size cells of an existing row; false if there is no such row.
    bool UpdateRow(uint32_t rowId, const std::vector<Property>& cells);
    std::vector<TableRow> ReadRows();

    // Writes what changed; returns the node's new data and subnode BIDs.
    NodeContent Commit(Database& db);
    void TrimCache() { m_heap->TrimCache(); }

private:
    static constexpr uint32_t kMatrixSubnode = 0x3F;  // LTP subnode, index 1

    size_t RowsPerBlock() const { return kMaxBlockData / m_schema.RowSize(); }
    void WriteTcInfo();
    Bytes BuildRow(uint32_t rowId, const std::vector<Property>& cells);
    // Returns the HNID of a variable-size cell value: a HID, or a subnode NID.
    uint32_t StoreCell(const uint8_t* value, size_t size);
    void MoveMatrixToSubnode(const Bytes& rows);
    Bytes ReadRowBytes(size_t index);
    void WriteRowBytes(size_t index, const Bytes& row);
    Property DecodeCell(const TableColumn& c, const uint8_t* row);

    std::unique_ptr<Heap> m_heap;
    TableSchema m_schema;
    uint32_t m_tcInfoHid = 0;
    uint32_t m_rowIndexHid = 0;
    uint32_t m_rowsHnid = 0;
    uint32_t m_rowCount = 0;
    Database* m_db = nullptr;            // not owned
    std::unique_ptr<DataTree> m_matrix;  // when the rows live in subnode 0x3F
    uint64_t m_bidSub = 0;
    uint64_t m_matrixRoot = 0;
    std::vector<SubnodeEntry> m_otherSubnodes;  // subnodes of long cells
    uint32_t m_nextCellSubnode = 2;             // NID index; 1 is the row matrix
    bool m_subnodesChanged = false;
    // One row-matrix block held in memory (the last one while rows are
    // appended), written when another is needed or at Commit() if it changed.
    Bytes m_tailBlock;
    size_t m_tailIndex = SIZE_MAX;
    bool m_tailDirty = false;
    void LoadTail(size_t leaf);
    void WriteTail();
    Bytes MatrixLeaf(size_t leaf);
};

}  // namespace pst
