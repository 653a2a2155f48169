// Records and keys.
//
// A record: the last fixed and last variable column ids present, the offset of
// the variable part; the fixed columns up to the last one present in id order,
// then their NULL bits; one end offset per variable column (high bit: NULL),
// their data; then the tagged columns, an array of (id, offset) and their data.
// A tagged value may start with a flags byte: long-type values always carry it
// (0x01, and 0x04 beside it when the value is separated into the long-value
// tree, leaving only its 4-byte id here), and on pages of 16 KiB and more every
// tagged value does. Long values above kIntrinsicMost bytes are separated.
#include "EseInternal.h"

#include <algorithm>
#include <stdexcept>

namespace esewriter::detail {
namespace {

constexpr size_t kIntrinsicMost = 1024;
constexpr uint8_t kTaggedLong = 0x01;
constexpr uint8_t kTaggedSeparated = 0x04;

const Cell* Find(const Row& row, uint32_t column) {
    for (const Cell& cell : row.cells) {
        if (cell.column == column) return &cell;
    }
    return nullptr;
}

ColumnType TypeOf(const Table& table, uint32_t id) {
    for (const Column& column : table.columns) {
        if (column.id == id) return column.type;
    }
    return ColumnType::Binary;
}

bool IsSigned(ColumnType type) {
    return type == ColumnType::Short || type == ColumnType::Long || type == ColumnType::LongLong ||
           type == ColumnType::Currency;
}

}  // namespace

void PutLittle(Bytes& out, uint64_t value, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void SetLittle(uint8_t* at, uint64_t value, int width) {
    for (int i = 0; i < width; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutBig(Bytes& out, uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t GetLittle(const uint8_t* at, int width) {
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

bool IsLongType(ColumnType type) { return type == ColumnType::LongBinary || type == ColumnType::LongText; }

Bytes EncodeRecord(const Table& table, const Row& row, bool largePage, LongValues& longValues) {
    std::vector<const Column*> fixed, variable, tagged;
    for (const Column& column : table.columns) {
        (column.id < 128 ? fixed : column.id < 256 ? variable : tagged).push_back(&column);
    }
    auto byId = [](const Column* a, const Column* b) { return a->id < b->id; };
    std::sort(fixed.begin(), fixed.end(), byId);
    std::sort(variable.begin(), variable.end(), byId);
    std::sort(tagged.begin(), tagged.end(), byId);
    for (size_t i = 0; i < fixed.size(); ++i) {
        if (fixed[i]->id != i + 1) throw std::runtime_error(table.name + ": fixed column ids must run from 1");
    }
    for (size_t i = 0; i < variable.size(); ++i) {
        if (variable[i]->id != i + 128)
            throw std::runtime_error(table.name + ": variable column ids must run from 128");
    }
    size_t lastFixed = 0, lastVariable = 0;
    for (size_t i = 0; i < fixed.size(); ++i) {
        if (Find(row, fixed[i]->id)) lastFixed = i + 1;
    }
    for (size_t i = 0; i < variable.size(); ++i) {
        if (Find(row, variable[i]->id)) lastVariable = i + 1;
    }
    Bytes record(4, 0);
    Bytes nullBits((lastFixed + 7) / 8, 0);
    for (size_t i = 0; i < lastFixed; ++i) {
        const uint32_t width = FixedWidth(*fixed[i]);
        const Cell* cell = Find(row, fixed[i]->id);
        if (!cell) {
            nullBits[i / 8] |= static_cast<uint8_t>(1u << (i % 8));
            record.insert(record.end(), width, 0);
            continue;
        }
        if (cell->value.size() != width) throw std::runtime_error(table.name + "." + fixed[i]->name + ": wrong width");
        record.insert(record.end(), cell->value.begin(), cell->value.end());
    }
    record.insert(record.end(), nullBits.begin(), nullBits.end());
    record[0] = static_cast<uint8_t>(lastFixed);
    record[1] = static_cast<uint8_t>(lastVariable ? 127 + lastVariable : 127);
    SetLittle(&record[2], record.size(), 2);
    Bytes variableData;
    for (size_t i = 0; i < lastVariable; ++i) {
        const Cell* cell = Find(row, variable[i]->id);
        if (cell) variableData.insert(variableData.end(), cell->value.begin(), cell->value.end());
        PutLittle(record, variableData.size() | (cell ? 0 : 0x8000), 2);
    }
    record.insert(record.end(), variableData.begin(), variableData.end());

    std::vector<std::pair<uint32_t, Bytes>> values;
    for (const Column* column : tagged) {
        const Cell* cell = Find(row, column->id);
        if (!cell) continue;
        Bytes value;
        if (IsLongType(column->type) && cell->value.size() > kIntrinsicMost) {
            const uint32_t id = longValues.nextId++;
            value.push_back(kTaggedLong | kTaggedSeparated);
            PutLittle(value, id, 4);
            Bytes rootKey, rootData;
            PutBig(rootKey, id, 4);
            PutLittle(rootData, 1, 4);  // reference count
            PutLittle(rootData, cell->value.size(), 4);
            longValues.nodes.push_back({rootKey, rootData});
            for (size_t at = 0; at < cell->value.size(); at += longValues.chunkSize) {
                Bytes chunkKey = rootKey;
                PutBig(chunkKey, at, 4);
                size_t end = std::min(cell->value.size(), at + longValues.chunkSize);
                longValues.nodes.push_back({chunkKey, Bytes(cell->value.begin() + at, cell->value.begin() + end)});
            }
        } else {
            if (IsLongType(column->type)) {
                value.push_back(kTaggedLong);
            } else if (largePage) {
                value.push_back(0);
            }
            value.insert(value.end(), cell->value.begin(), cell->value.end());
        }
        values.push_back({column->id, std::move(value)});
    }
    // On small pages the offset's 0x4000 bit says the value starts with a flags byte.
    size_t offset = 4 * values.size();
    for (size_t i = 0; i < values.size(); ++i) {
        const bool flagged = !largePage && IsLongType(TypeOf(table, values[i].first));
        PutLittle(record, values[i].first, 2);
        PutLittle(record, offset | (flagged ? 0x4000 : 0), 2);
        offset += values[i].second.size();
    }
    for (auto& entry : values) record.insert(record.end(), entry.second.begin(), entry.second.end());
    return record;
}

Bytes PrimaryKey(const Table& table, const Row& row) {
    Bytes key;
    for (uint32_t id : table.key) {
        const Column* column = nullptr;
        for (const Column& c : table.columns) {
            if (c.id == id) column = &c;
        }
        const Cell* cell = Find(row, id);
        if (!column || !cell) throw std::runtime_error(table.name + ": a key column is missing");
        key.push_back(0x7f);  // a value is present
        const Bytes& value = cell->value;
        if (column->id < 128 && column->type != ColumnType::Binary && column->type != ColumnType::Text &&
            column->type != ColumnType::Guid) {
            // integers: big-endian, signed ones with the sign bit flipped, so that bytes sort as numbers
            for (size_t i = value.size(); i-- > 0;) {
                uint8_t byte = value[i];
                if (i == value.size() - 1 && IsSigned(column->type)) byte ^= 0x80;
                key.push_back(byte);
            }
        } else {
            // binary: groups of eight bytes, each followed by 9 when more follow, else by its length
            for (size_t at = 0; at < value.size() || at == 0; at += 8) {
                size_t count = std::min<size_t>(8, value.size() - at);
                key.insert(key.end(), value.begin() + at, value.begin() + at + count);
                key.insert(key.end(), 8 - count, 0);
                key.push_back(at + 8 < value.size() ? 9 : static_cast<uint8_t>(count));
                if (value.empty()) break;
            }
        }
    }
    return key;
}

}  // namespace esewriter::detail

namespace esewriter {

Bytes LittleEndian(uint64_t value, int width) {
    Bytes out;
    detail::PutLittle(out, value, width);
    return out;
}

Bytes Ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Utf16(const std::string& utf8) {
    Bytes out;
    for (size_t i = 0; i < utf8.size();) {
        uint8_t lead = static_cast<uint8_t>(utf8[i]);
        int length = lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
        uint32_t code = length == 1 ? lead : lead & (0xff >> (length + 1));
        for (int k = 1; k < length; ++k) code = (code << 6) | (static_cast<uint8_t>(utf8[i + k]) & 0x3f);
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            detail::PutLittle(out, 0xd800 + (code >> 10), 2);
            detail::PutLittle(out, 0xdc00 + (code & 0x3ff), 2);
        } else {
            detail::PutLittle(out, code, 2);
        }
    }
    return out;
}

uint32_t FixedWidth(const Column& column) {
    if (column.size) return column.size;
    switch (column.type) {
    case ColumnType::Bit:
    case ColumnType::UnsignedByte:
        return 1;
    case ColumnType::Short:
    case ColumnType::UnsignedShort:
        return 2;
    case ColumnType::Long:
    case ColumnType::UnsignedLong:
    case ColumnType::IEEESingle:
        return 4;
    case ColumnType::Guid:
        return 16;
    default:
        return 8;
    }
}

}  // namespace esewriter
