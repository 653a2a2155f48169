#include "ltp/TableSchema.h"

#include <algorithm>
#include <string>

#include "ltp/Property.h"
#include "ndb/Format.h"
#include "util/EngineError.h"

namespace pst {

size_t TableCellSize(uint16_t type) {
    size_t fixed = FixedSizeOf(type);
    return fixed ? fixed : 4;
}

TableSchema::TableSchema(std::vector<uint32_t> tags) {
    if (std::find(tags.begin(), tags.end(), kTagLtpRowId) == tags.end()) tags.push_back(kTagLtpRowId);
    if (std::find(tags.begin(), tags.end(), kTagLtpRowVer) == tags.end()) tags.push_back(kTagLtpRowVer);
    std::sort(tags.begin(), tags.end());
    tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
    for (uint32_t t : tags) m_columns.push_back(TableColumn{t, 0, static_cast<uint8_t>(TableCellSize(t & 0xFFFF)), 0});
    uint8_t nextBit = 2;
    for (auto& c : m_columns) {
        if (c.tag == kTagLtpRowId)
            c.bit = 0;
        else if (c.tag == kTagLtpRowVer)
            c.bit = 1;
        else
            c.bit = nextBit++;
    }
    uint16_t at = 8;  // RowId and RowVer
    for (size_t size : {size_t(8), size_t(4), size_t(2), size_t(1)}) {
        for (auto& c : m_columns) {
            if (c.tag == kTagLtpRowId) c.offset = 0;
            if (c.tag == kTagLtpRowVer) c.offset = 4;
            if (c.tag == kTagLtpRowId || c.tag == kTagLtpRowVer || c.size != size) continue;
            c.offset = at;
            at = static_cast<uint16_t>(at + size);
        }
        if (size == 4) m_end[0] = at;
        if (size == 2) m_end[1] = at;
        if (size == 1) m_end[2] = at;
    }
    m_end[3] = static_cast<uint16_t>(m_end[2] + (m_columns.size() + 7) / 8);
}

TableSchema TableSchema::FromTcInfo(const Bytes& info, uint32_t& hidRowIndex, uint32_t& hnidRows) {
    if (info.size() < 22 || info[0] != 0x7C) Fail("damaged PST: table header missing");
    TableSchema s;
    size_t count = info[1];
    if (info.size() < 22 + 8 * count) Fail("damaged PST: table header truncated");
    for (int i = 0; i < 4; ++i) s.m_end[i] = Get16(&info[2 + 2 * i]);
    hidRowIndex = Get32(&info[10]);
    hnidRows = Get32(&info[14]);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* d = &info[22 + 8 * i];
        s.m_columns.push_back(TableColumn{Get32(d), Get16(d + 4), d[6], d[7]});
    }
    s.Validate();
    return s;
}

void TableSchema::Validate() const {
    auto damaged = [](const std::string& why) { Fail("damaged PST: table header " + why); };
    // Rows must fit a block, and the cell groups follow each other.
    if (!(8 <= m_end[0] && m_end[0] <= m_end[1] && m_end[1] <= m_end[2] && m_end[2] <= m_end[3] &&
          m_end[3] <= kMaxBlockData))
        damaged("has an impossible row layout");
    size_t cebBytes = size_t(m_end[3]) - m_end[2];
    if (cebBytes != (m_columns.size() + 7) / 8) damaged("has a cell-existence map of the wrong size");
    const TableColumn* rowId = Find(kTagLtpRowId);
    if (!rowId || rowId->offset != 0 || rowId->size != 4) damaged("has no row id in its place");
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const TableColumn& c = m_columns[i];
        if (i > 0 && c.tag <= m_columns[i - 1].tag) damaged("has columns out of order");
        if (c.size != TableCellSize(c.tag & 0xFFFF) || c.offset + c.size > m_end[2] || c.bit / 8u >= cebBytes)
            damaged("has column " + std::to_string(c.tag) + " outside its rows");
    }
}

Bytes TableSchema::TcInfo(uint32_t hidRowIndex, uint32_t hnidRows) const {
    Bytes b(22 + 8 * m_columns.size(), 0);
    b[0] = 0x7C;
    b[1] = static_cast<uint8_t>(m_columns.size());
    for (int i = 0; i < 4; ++i) Put16(&b[2 + 2 * i], m_end[i]);
    Put32(&b[10], hidRowIndex);
    Put32(&b[14], hnidRows);
    Put32(&b[18], 0);
    for (size_t i = 0; i < m_columns.size(); ++i) {
        uint8_t* d = &b[22 + 8 * i];
        Put32(d, m_columns[i].tag);
        Put16(d + 4, m_columns[i].offset);
        d[6] = m_columns[i].size;
        d[7] = m_columns[i].bit;
    }
    return b;
}

const TableColumn* TableSchema::Find(uint32_t tag) const {
    for (const auto& c : m_columns)
        if (c.tag == tag) return &c;
    return nullptr;
}

}  // namespace pst
