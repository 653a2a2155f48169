#pragma once
// Property contexts and table contexts of a written file, decoded from the
// bytes with the format checker's view of nodes and blocks: the heap, the
// BTree-on-heap, the property records and the table rows, each parsed here
// from [MS-PST] alone, so the tests compare what the engine wrote with no
// engine code on the reading side.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <vector>

#include "FormatChecker.h"

namespace pst_test {

using Value = std::vector<uint8_t>;
using PropertyMap = std::map<uint32_t, Value>;  // tag -> value bytes

class LtpView {
public:
    explicit LtpView(const FormatChecker& checker) : m_checker(checker) {}

    // Properties of a node's PC, or of subnode `subnode` of it when non-zero.
    PropertyMap Properties(uint32_t nid, uint32_t subnode = 0) const {
        Object o = Open(nid, subnode);
        PropertyMap out;
        Value header = o.Heap(o.UserRoot());
        for (const Value& r : BthRecords(o, header)) {
            uint16_t type = U16(&r[2]);
            uint32_t tag = (static_cast<uint32_t>(U16(&r[0])) << 16) | type;
            uint32_t v = U32(&r[4]);
            if (type == 0x02 || type == 0x03 || type == 0x04 || type == 0x0A || type == 0x0B) {
                size_t size = type == 0x02 ? 2 : type == 0x0B ? 1 : 4;
                out[tag] = Value(&r[4], &r[4] + size);
            } else {
                out[tag] = o.Hnid(v);
            }
        }
        return out;
    }

    bool HasSubnode(uint32_t nid, uint32_t subnode) const {
        return Subnodes(m_checker.Nodes().at(nid).second).count(subnode) != 0;
    }
    // The data and subnode BIDs of subnode `subnode` of node `nid`.
    std::pair<uint64_t, uint64_t> Subnode(uint32_t nid, uint32_t subnode) const {
        return Subnodes(m_checker.Nodes().at(nid).second).at(subnode);
    }

    // Rows of a node's TC (or of one of its subnodes): RowId -> the cells present.
    std::vector<std::pair<uint32_t, PropertyMap>> Rows(uint32_t nid, uint32_t subnode = 0) const {
        Object o = Open(nid, subnode);
        Value info = o.Heap(o.UserRoot());
        if (info.size() < 22 || info[0] != 0x7C) throw std::runtime_error("not a TCINFO");
        size_t columns = info[1], rowSize = U16(&info[8]);
        Value matrix = o.Hnid(U32(&info[14]));
        if (U32(&info[14]) & 0x1F) {  // in a subnode: whole rows per 8176-byte block
            size_t perBlock = 8176 / rowSize * rowSize;
            Value packed;
            for (size_t at = 0; at < matrix.size(); at += 8176)
                packed.insert(packed.end(), matrix.begin() + static_cast<std::ptrdiff_t>(at),
                              matrix.begin() + static_cast<std::ptrdiff_t>(std::min(matrix.size(), at + perBlock)));
            matrix.swap(packed);
        }
        std::vector<std::pair<uint32_t, PropertyMap>> rows;
        for (size_t at = 0; at + rowSize <= matrix.size(); at += rowSize) {
            const uint8_t* row = &matrix[at];
            PropertyMap cells;
            for (size_t c = 0; c < columns; ++c) {
                const uint8_t* d = &info[22 + 8 * c];
                uint32_t tag = U32(d);
                size_t ib = U16(d + 4), cb = d[6], bit = d[7];
                if (!(row[U16(&info[6]) + bit / 8] & (0x80 >> (bit % 8)))) continue;
                uint16_t type = static_cast<uint16_t>(tag);
                bool variable =
                    type == 0x1F || type == 0x1E || type == 0x102 || type == 0x48 || type == 0x0D || (type & 0x1000);
                cells[tag] = variable ? o.Hnid(U32(row + ib)) : Value(row + ib, row + ib + cb);
            }
            rows.emplace_back(U32(row), std::move(cells));
        }
        return rows;
    }

private:
    static uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
    static uint32_t U32(const uint8_t* p) { return U16(p) | (static_cast<uint32_t>(U16(p + 2)) << 16); }
    static uint64_t U64(const uint8_t* p) { return U32(p) | (static_cast<uint64_t>(U32(p + 4)) << 32); }

    // The leaves of a data tree, in order.
    std::vector<Value> Leaves(uint64_t bid) const {
        Value b = m_checker.BlockData(bid);
        if (!(bid & 2)) return {b};
        std::vector<Value> out;
        for (size_t i = 0; i < U16(&b[2]); ++i) {
            auto part = Leaves(U64(&b[8 + 8 * i]));
            out.insert(out.end(), part.begin(), part.end());
        }
        return out;
    }
    Value Stream(uint64_t bid) const {
        Value out;
        for (const auto& leaf : Leaves(bid)) out.insert(out.end(), leaf.begin(), leaf.end());
        return out;
    }
    std::map<uint32_t, std::pair<uint64_t, uint64_t>> Subnodes(uint64_t bid) const {
        std::map<uint32_t, std::pair<uint64_t, uint64_t>> out;
        if (bid == 0) return out;
        Value b = m_checker.BlockData(bid);
        for (size_t i = 0; i < U16(&b[2]); ++i) {
            if (b[1] == 0) {
                out[U32(&b[8 + 24 * i])] = {U64(&b[16 + 24 * i]), U64(&b[24 + 24 * i])};
            } else {
                auto part = Subnodes(U64(&b[16 + 16 * i]));
                out.insert(part.begin(), part.end());
            }
        }
        return out;
    }

    struct Object {
        const LtpView* view;
        std::vector<Value> heapBlocks;
        std::map<uint32_t, std::pair<uint64_t, uint64_t>> subnodes;
        uint32_t UserRoot() const { return U32(&heapBlocks.at(0)[4]); }
        Value Heap(uint32_t hid) const {
            const Value& b = heapBlocks.at(hid >> 16);
            size_t map = U16(&b[0]), index = (hid >> 5) & 0x7FF;
            if (index == 0 || index > U16(&b[map])) throw std::runtime_error("HID out of range");
            return Value(b.begin() + U16(&b[map + 4 + 2 * (index - 1)]), b.begin() + U16(&b[map + 4 + 2 * index]));
        }
        Value Hnid(uint32_t hnid) const {
            if (hnid == 0) return {};
            if ((hnid & 0x1F) == 0) return Heap(hnid);
            auto it = subnodes.find(hnid);
            if (it == subnodes.end()) throw std::runtime_error("HNID names a missing subnode");
            return view->Stream(it->second.first);
        }
    };

    Object Open(uint32_t nid, uint32_t subnode) const {
        auto node = m_checker.Nodes().find(nid);
        if (node == m_checker.Nodes().end()) throw std::runtime_error("node missing");
        uint64_t data = node->second.first, sub = node->second.second;
        if (subnode) {
            auto s = Subnodes(sub).at(subnode);
            data = s.first;
            sub = s.second;
        }
        return Object{this, Leaves(data), Subnodes(sub)};
    }

    // Leaf records of a BTree-on-heap, following intermediate levels.
    std::vector<Value> BthRecords(const Object& o, const Value& header) const {
        std::vector<Value> out;
        if (header.size() < 8 || header[0] != 0xB5) throw std::runtime_error("not a BTHHEADER");
        size_t key = header[1], entry = header[2];
        std::vector<std::pair<uint32_t, int>> todo{{U32(&header[4]), header[3]}};
        for (size_t t = 0; t < todo.size(); ++t) {
            if (todo[t].first == 0) continue;
            Value node = o.Heap(todo[t].first);
            size_t size = todo[t].second ? key + 4 : key + entry;
            for (size_t at = 0; at + size <= node.size(); at += size) {
                if (todo[t].second)
                    todo.emplace_back(U32(&node[at + key]), todo[t].second - 1);
                else
                    out.emplace_back(node.begin() + static_cast<std::ptrdiff_t>(at),
                                     node.begin() + static_cast<std::ptrdiff_t>(at + size));
            }
        }
        return out;
    }

    const FormatChecker& m_checker;
};

}  // namespace pst_test
