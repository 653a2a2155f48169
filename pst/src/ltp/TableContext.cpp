#include "ltp/TableContext.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "ltp/BTreeOnHeap.h"
#include "util/EngineError.h"

namespace pst {

TableContext::TableContext(Database& db, const TableSchema& schema)
    : m_heap(new Heap(kHeapTableContext)), m_schema(schema), m_db(&db) {
    m_rowIndexHid = BTreeOnHeap::Create(*m_heap, 4, 4);
    m_tcInfoHid = m_heap->Allocate(m_schema.TcInfo(m_rowIndexHid, 0));
    m_heap->SetUserRoot(m_tcInfoHid);
}

TableContext::TableContext(Database& db, const NodeContent& node) : m_heap(new Heap(db, node.bidData)), m_db(&db) {
    if (m_heap->ClientSignature() != kHeapTableContext) Fail("damaged PST: node is not a table context");
    m_tcInfoHid = m_heap->UserRoot();
    m_schema = TableSchema::FromTcInfo(m_heap->Read(m_tcInfoHid), m_rowIndexHid, m_rowsHnid);
    BTreeOnHeap::CheckShape(*m_heap, m_rowIndexHid, 4, 4);
    m_bidSub = node.bidSub;
    for (const auto& e : db.ReadSubnodes(node.bidSub)) {
        if (e.nid == m_rowsHnid) {
            m_matrix.reset(new DataTree());
            m_matrix->Load(db, e.bidData);
            m_matrixRoot = e.bidData;
        } else {
            m_otherSubnodes.push_back(e);
            m_nextCellSubnode = std::max(m_nextCellSubnode, NidIndex(e.nid) + 1);
        }
    }
    if (m_rowsHnid == 0) return;
    if ((m_rowsHnid & 0x1F) == 0) {
        m_rowCount = static_cast<uint32_t>(m_heap->SizeOf(m_rowsHnid) / m_schema.RowSize());
        return;
    }
    if (!m_matrix) Fail("damaged PST: table row matrix missing");
    size_t leaves = m_matrix->LeafCount();
    m_rowCount = leaves == 0 ? 0
                             : static_cast<uint32_t>((leaves - 1) * RowsPerBlock() +
                                                     m_matrix->LeafSize(leaves - 1) / m_schema.RowSize());
}

void TableContext::WriteTcInfo() { m_heap->Write(m_tcInfoHid, m_schema.TcInfo(m_rowIndexHid, m_rowsHnid)); }

Bytes TableContext::BuildRow(uint32_t rowId, const std::vector<Property>& cells) {
    Bytes row(m_schema.RowSize(), 0);
    uint8_t* ceb = &row[m_schema.RowSize() - (m_schema.Columns().size() + 7) / 8];
    auto setBit = [ceb](uint8_t bit) { ceb[bit / 8] |= static_cast<uint8_t>(0x80u >> (bit % 8)); };
    Put32(&row[0], rowId);
    Put32(&row[4], m_rowCount + 1);
    setBit(0);
    setBit(1);
    for (const auto& cell : cells) {
        const TableColumn* c = m_schema.Find(cell.tag);
        if (!c || c->tag == kTagLtpRowId || c->tag == kTagLtpRowVer) continue;
        if (FixedSizeOf(cell.Type())) {
            std::memcpy(&row[c->offset], cell.value.data(), std::min<size_t>(c->size, cell.value.size()));
        } else {
            if (cell.value.empty()) continue;
            Put32(&row[c->offset], StoreCell(cell.value.data(), cell.value.size()));
        }
        setBit(c->bit);
    }
    return row;
}

uint32_t TableContext::StoreCell(const uint8_t* value, size_t size) {
    if (size <= kMaxHeapAllocation) return m_heap->Allocate(value, size);
    // Too long for the heap: the cell names a subnode of the table holding the
    // whole value, so the row still equals the object it copies.
    SubnodeEntry e;
    e.nid = MakeNid(kNidTypeLtp, m_nextCellSubnode++);
    e.bidData = m_db->WriteStream(value, size);
    m_otherSubnodes.push_back(e);
    m_subnodesChanged = true;
    return e.nid;
}

void TableContext::MoveMatrixToSubnode(const Bytes& rows) {
    m_matrix.reset(new DataTree());
    size_t rowSize = m_schema.RowSize();
    size_t perBlock = RowsPerBlock() * rowSize;
    for (size_t at = 0, leaf = 0; at < rows.size(); at += perBlock, ++leaf) {
        size_t n = std::min(perBlock, rows.size() - at);
        Bytes block(rows.begin() + static_cast<std::ptrdiff_t>(at), rows.begin() + static_cast<std::ptrdiff_t>(at + n));
        if (at + n < rows.size()) block.resize(kMaxBlockData, 0);
        m_matrix->SetLeaf(*m_db, leaf, block);
    }
    if (m_rowsHnid) m_heap->Free(m_rowsHnid);
    m_rowsHnid = kMatrixSubnode;
    WriteTcInfo();
}

void TableContext::AppendRow(uint32_t rowId, const std::vector<Property>& cells) {
    if (!m_db) Fail("internal error: table not bound to a database");
    Bytes row = BuildRow(rowId, cells);
    Bytes record(8);
    Put32(&record[0], rowId);
    Put32(&record[4], m_rowCount);
    BTreeOnHeap::Append(*m_heap, m_rowIndexHid, record.data());
    size_t rowSize = m_schema.RowSize();
    if (!m_matrix) {
        Bytes rows = m_rowsHnid ? m_heap->Read(m_rowsHnid) : Bytes();
        rows.insert(rows.end(), row.begin(), row.end());
        if (rows.size() <= kMaxHeapAllocation) {
            uint32_t hid = m_rowsHnid ? m_heap->Reallocate(m_rowsHnid, rows) : m_heap->Allocate(rows);
            if (hid != m_rowsHnid) {
                m_rowsHnid = hid;
                WriteTcInfo();
            }
        } else {
            MoveMatrixToSubnode(rows);
        }
    } else {
        // The last block of rows is written by Commit(), once however many rows
        // an operation appends; a full block is written when the next one starts.
        size_t perBlock = RowsPerBlock();
        size_t leaf = m_rowCount / perBlock;
        if (m_rowCount % perBlock == 0) {
            if (leaf > 0 && m_tailIndex != leaf - 1 && m_matrix->LeafSize(leaf - 1) < kMaxBlockData) LoadTail(leaf - 1);
            if (leaf > 0 && m_tailIndex == leaf - 1 && m_tailBlock.size() < kMaxBlockData) {
                m_tailBlock.resize(kMaxBlockData, 0);
                m_tailDirty = true;
            }
            WriteTail();
            m_tailBlock.clear();
            m_tailIndex = leaf;
        } else if (m_tailIndex != leaf) {
            LoadTail(leaf);
        }
        m_tailBlock.resize((m_rowCount % perBlock) * rowSize);
        m_tailBlock.insert(m_tailBlock.end(), row.begin(), row.end());
        m_tailDirty = true;
    }
    m_rowCount++;
}

void TableContext::LoadTail(size_t leaf) {
    WriteTail();
    m_tailBlock = m_matrix->ReadLeaf(*m_db, leaf);
    m_tailIndex = leaf;
}

void TableContext::WriteTail() {
    if (!m_tailDirty) return;
    m_matrix->SetLeaf(*m_db, m_tailIndex, m_tailBlock);
    m_tailDirty = false;
}

Bytes TableContext::MatrixLeaf(size_t leaf) {
    return leaf == m_tailIndex ? m_tailBlock : m_matrix->ReadLeaf(*m_db, leaf);
}

Bytes TableContext::ReadRowBytes(size_t index) {
    size_t rowSize = m_schema.RowSize();
    if (index >= m_rowCount)
        Fail("damaged PST: the row index names row " + std::to_string(index) + " of " + std::to_string(m_rowCount));
    if (!m_matrix) {
        Bytes rows = m_heap->Read(m_rowsHnid);
        return Bytes(rows.begin() + static_cast<std::ptrdiff_t>(index * rowSize),
                     rows.begin() + static_cast<std::ptrdiff_t>((index + 1) * rowSize));
    }
    Bytes block = MatrixLeaf(index / RowsPerBlock());
    size_t at = (index % RowsPerBlock()) * rowSize;
    if (at + rowSize > block.size()) Fail("damaged PST: table row out of range");
    return Bytes(block.begin() + static_cast<std::ptrdiff_t>(at),
                 block.begin() + static_cast<std::ptrdiff_t>(at + rowSize));
}

void TableContext::WriteRowBytes(size_t index, const Bytes& row) {
    size_t rowSize = m_schema.RowSize();
    if (!m_matrix) {
        Bytes rows = m_heap->Read(m_rowsHnid);
        std::memcpy(&rows[index * rowSize], row.data(), rowSize);
        m_heap->Write(m_rowsHnid, rows);
        return;
    }
    size_t leaf = index / RowsPerBlock();
    if (leaf != m_tailIndex) LoadTail(leaf);
    std::memcpy(&m_tailBlock[(index % RowsPerBlock()) * rowSize], row.data(), rowSize);
    m_tailDirty = true;
}

bool TableContext::UpdateRow(uint32_t rowId, const std::vector<Property>& cells) {
    Bytes found;
    if (!BTreeOnHeap::Find(*m_heap, m_rowIndexHid, rowId, found)) return false;
    size_t index = Get32(found.data());
    Bytes row = ReadRowBytes(index);
    uint8_t* ceb = &row[m_schema.RowSize() - (m_schema.Columns().size() + 7) / 8];
    for (const auto& cell : cells) {
        const TableColumn* c = m_schema.Find(cell.tag);
        if (!c || !FixedSizeOf(cell.Type())) continue;
        std::memcpy(&row[c->offset], cell.value.data(), std::min<size_t>(c->size, cell.value.size()));
        ceb[c->bit / 8] |= static_cast<uint8_t>(0x80u >> (c->bit % 8));
    }
    WriteRowBytes(index, row);
    return true;
}

Property TableContext::DecodeCell(const TableColumn& c, const uint8_t* row) {
    Property p;
    p.tag = c.tag;
    if (FixedSizeOf(p.Type())) {
        p.value.assign(row + c.offset, row + c.offset + c.size);
        return p;
    }
    uint32_t hnid = Get32(row + c.offset);
    if (hnid == 0) return p;
    if ((hnid & 0x1F) == 0) {
        p.value = m_heap->Read(hnid);
        return p;
    }
    for (const auto& e : m_otherSubnodes) {
        if (e.nid == hnid) {
            p.value = m_db->ReadStream(e.bidData);
            return p;
        }
    }
    Fail("damaged PST: a table cell names a missing subnode");
}

std::vector<TableRow> TableContext::ReadRows() {
    std::vector<TableRow> out;
    out.reserve(std::min<size_t>(m_rowCount, 1u << 16));  // the count is only proven row by row
    size_t rowSize = m_schema.RowSize();
    size_t cebAt = rowSize - (m_schema.Columns().size() + 7) / 8;
    Bytes rows;
    size_t loadedLeaf = SIZE_MAX;
    if (!m_matrix && m_rowsHnid) rows = m_heap->Read(m_rowsHnid);
    for (size_t i = 0; i < m_rowCount; ++i) {
        const uint8_t* row;
        if (m_matrix) {
            size_t leaf = i / RowsPerBlock();
            if (leaf != loadedLeaf) {
                rows = MatrixLeaf(leaf);
                loadedLeaf = leaf;
            }
            size_t at = (i % RowsPerBlock()) * rowSize;
            if (at + rowSize > rows.size()) Fail("damaged PST: table row out of range");
            row = &rows[at];
        } else {
            row = &rows[i * rowSize];
        }
        TableRow r;
        r.rowId = Get32(row);
        for (const auto& c : m_schema.Columns()) {
            if (!(row[cebAt + c.bit / 8] & (0x80u >> (c.bit % 8)))) continue;
            r.cells.push_back(DecodeCell(c, row));
        }
        out.push_back(std::move(r));
    }
    return out;
}

NodeContent TableContext::Commit(Database& db) {
    m_db = &db;
    Database::BlockKindScope kind(db, Database::BlockKind::Table);
    NodeContent out;
    out.bidData = m_heap->Commit(db);
    if (m_matrix) WriteTail();
    uint64_t root = m_matrix ? m_matrix->Commit(db) : 0;
    if (m_subnodesChanged || (m_matrix && (root != m_matrixRoot || m_bidSub == 0))) {
        std::vector<SubnodeEntry> subnodes = m_otherSubnodes;
        if (m_matrix) subnodes.push_back(SubnodeEntry{kMatrixSubnode, root, 0});
        uint64_t old = m_bidSub;
        m_bidSub = db.WriteSubnodes(subnodes);
        db.FreeSubnodeBlocks(old);
        m_matrixRoot = root;
        m_subnodesChanged = false;
    }
    out.bidSub = m_bidSub;
    return out;
}

}  // namespace pst
