#pragma once
// The column layout of a table context ([MS-PST] 2.3.4.1-2.3.4.2): columns
// sorted by tag, RowId and RowVer first in the row, then 8- and 4-byte cells,
// 2-byte cells, 1-byte cells and the cell-existence bitmap (CEB).

#include <cstdint>
#include <vector>

#include "util/Bytes.h"

namespace pst {

constexpr uint32_t kTagLtpRowId = 0x67F20003;
constexpr uint32_t kTagLtpRowVer = 0x67F30003;

struct TableColumn {
    uint32_t tag = 0;
    uint16_t offset = 0;
    uint8_t size = 0;
    uint8_t bit = 0;
};

class TableSchema {
public:
    TableSchema() = default;
    // Lays out the columns; RowId and RowVer are added when missing.
    explicit TableSchema(std::vector<uint32_t> tags);
    // Reads the layout from a TCINFO allocation; fails unless every column
    // lies inside the row and the row inside a block.
    static TableSchema FromTcInfo(const Bytes& tcinfo, uint32_t& hidRowIndex, uint32_t& hnidRows);
    Bytes TcInfo(uint32_t hidRowIndex, uint32_t hnidRows) const;

    const std::vector<TableColumn>& Columns() const { return m_columns; }
    const TableColumn* Find(uint32_t tag) const;
    uint16_t RowSize() const { return m_end[3]; }

private:
    void Validate() const;

    std::vector<TableColumn> m_columns;
    uint16_t m_end[4] = {};  // TCI_4b, TCI_2b, TCI_1b, TCI_bm
};

// Cell size in a row: fixed types inline, everything else a 4-byte HNID.
size_t TableCellSize(uint16_t type);

}  // namespace pst
