#include "Cells.h"

#include "ese/Values.h"
#include "text/AsciiCase.h"
#include "text/CodePage.h"
#include "text/Utf8.h"

namespace korvane::exchange::detail {
namespace {

using ese::ColumnType;
using mailbox::AppendUtf8;

const ese::Item* OneItem(const ese::Record& record, int column) {
    if (column < 0 || static_cast<size_t>(column) >= record.size()) return nullptr;
    const ese::Cell& cell = record[column];
    if (cell.null || cell.items.empty() || !cell.items[0].Ok()) return nullptr;
    return &cell.items[0];
}

}  // namespace

int FindColumn(const ese::Table& table, std::initializer_list<const char*> names) {
    for (const char* name : names)
        for (size_t i = 0; i < table.columns.size(); ++i)
            if (mailbox::EqualsIgnoreCase(table.columns[i].name, name)) return static_cast<int>(i);
    return -1;
}

std::optional<uint64_t> Count(const ese::Table& table, const ese::Record& record, int column) {
    const ese::Item* item = OneItem(record, column);
    if (!item) return std::nullopt;
    const ColumnType type = table.columns[column].type;
    const std::vector<uint8_t> bytes = item->Bytes();
    int64_t value = 0;
    if (type == ColumnType::UnsignedByte || type == ColumnType::UnsignedShort || type == ColumnType::UnsignedLong) {
        uint64_t unsignedValue = 0;
        if (!ese::ReadUnsigned(type, bytes, unsignedValue)) return std::nullopt;
        return unsignedValue;
    }
    if (ese::IsBinaryType(type)) {
        const size_t size = bytes.size();
        if (size != 1 && size != 2 && size != 4 && size != 8) return std::nullopt;
        uint64_t raw = 0;
        for (size_t i = size; i-- > 0;) raw = (raw << 8) | bytes[i];
        return raw;
    }
    if (!ese::ReadSigned(type, bytes, value) || value < 0) return std::nullopt;
    return static_cast<uint64_t>(value);
}

std::optional<std::string> Text(const ese::Table& table, const ese::Record& record, int column) {
    const ese::Item* item = OneItem(record, column);
    if (!item) return std::nullopt;
    const ese::Column& info = table.columns[column];
    std::string out;
    if (ese::IsTextType(info.type) && info.codePage != 1200) {
        for (uint8_t b : item->Bytes()) {
            if (b < 0x80) out += static_cast<char>(b);
            else if (info.codePage == 20127) AppendUtf8(out, 0xFFFD);
            else AppendUtf8(out, mailbox::Windows1252DefinedCharacter(b));
        }
    } else if (ese::IsTextType(info.type) || ese::IsBinaryType(info.type)) {
        const std::vector<uint16_t> units = ese::Utf16Units(item->Bytes());
        out = mailbox::Utf16ToUtf8(std::u16string(units.begin(), units.end()));
    } else {
        return std::nullopt;
    }
    while (!out.empty() && out.back() == '\0') out.pop_back();
    return out;
}

std::string Raw(const ese::Record& record, int column) {
    const ese::Item* item = OneItem(record, column);
    return item ? std::string(item->Data(), item->Data() + item->Size()) : std::string();
}

std::string Guid(const ese::Record& record, int column) {
    const ese::Item* item = OneItem(record, column);
    std::string text;
    if (!item || !ese::GuidToText(item->Bytes(), text)) return std::string();
    return text;
}

}  // namespace korvane::exchange::detail
