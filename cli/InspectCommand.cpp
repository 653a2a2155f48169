#include "cli/InspectCommand.h"

#include <cmath>
#include <cstdio>

#include "cli/Json.h"
#include "cli/ProgressBar.h"
#include "ese/Database.h"
#include "ese/Values.h"
#include "text/CodePage.h"
#include "text/Utf8.h"

namespace cli {

const char kInspectUsage[] = "edb2pst inspect [--json] [--table NAME [--limit N] | --catalog] SOURCE.edb";

namespace {

using korvane::ese::Cell;
using korvane::ese::Column;
using korvane::ese::ColumnType;
using korvane::ese::Database;
using korvane::ese::Item;

std::wstring WideFromCodePage(const std::vector<uint8_t>& bytes, uint32_t codePage) {
    std::wstring text;
    if (codePage == 1200) {
        const std::vector<uint16_t> units = korvane::ese::Utf16Units(bytes);
        text = mailbox::Utf16ToWide(std::u16string(units.begin(), units.end()));
        // A fixed UTF-16 column of odd size ends in a lone byte: kept as a character of its own, not lost.
        if (bytes.size() % 2) text += static_cast<wchar_t>(bytes.back());
        return text;
    }
    for (uint8_t b : bytes) {
        if (b < 0x80) text += static_cast<wchar_t>(b);
        else if (codePage == 20127) text += L'\xFFFD';
        else text += static_cast<wchar_t>(mailbox::Windows1252DefinedCharacter(b));
    }
    return text;
}

std::string Name(const std::string& stored) {
    return JsonString(WideFromCodePage(std::vector<uint8_t>(stored.begin(), stored.end()), 1252));
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2 + 2);
    out += '"';
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out + '"';
}

std::string Number(double value, bool single) {
    if (std::isnan(value)) return "\"NaN\"";
    if (std::isinf(value)) return value > 0 ? "\"Infinity\"" : "\"-Infinity\"";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, single ? "%.9g" : "%.17g", value);
    return buffer;
}

std::string ErrorValue(const std::string& text) { return "{\"error\": " + JsonString(mailbox::FromUtf8(text)) + "}"; }

std::string ItemJson(const Column& column, const Item& item) {
    if (!item.Ok()) return ErrorValue(item.error);
    const std::vector<uint8_t> b = item.Bytes();
    int64_t s = 0;
    uint64_t u = 0;
    double d = 0;
    std::string text;
    const std::string wrongSize = "a " + korvane::ese::ColumnTypeName(column.type) + " value of " +
                                  std::to_string(b.size()) + " bytes";
    switch (column.type) {
    case ColumnType::Bit:
        if (b.size() != 1) return ErrorValue(wrongSize);
        return b[0] ? "true" : "false";
    case ColumnType::UnsignedByte:
    case ColumnType::UnsignedShort:
    case ColumnType::UnsignedLong:
        if (!korvane::ese::ReadUnsigned(column.type, b, u)) return ErrorValue(wrongSize);
        return std::to_string(u);
    case ColumnType::Short:
    case ColumnType::Long:
    case ColumnType::Currency:
    case ColumnType::LongLong:
        if (!korvane::ese::ReadSigned(column.type, b, s)) return ErrorValue(wrongSize);
        // Beyond 2^53 a JSON number loses digits in most readers.
        if (s > (int64_t(1) << 53) || s < -(int64_t(1) << 53)) return "\"" + std::to_string(s) + "\"";
        return std::to_string(s);
    case ColumnType::IEEESingle:
    case ColumnType::IEEEDouble:
        if (!korvane::ese::ReadFloat(column.type, b, d)) return ErrorValue(wrongSize);
        return Number(d, column.type == ColumnType::IEEESingle);
    case ColumnType::DateTime:
        if (!korvane::ese::ReadFloat(column.type, b, d)) return ErrorValue(wrongSize);
        if (!korvane::ese::OleDateToIso8601(d, text)) return ErrorValue("a date outside years 1 to 9999");
        return "\"" + text + "\"";
    case ColumnType::GUID:
        if (!korvane::ese::GuidToText(b, text)) return ErrorValue(wrongSize);
        return "\"" + text + "\"";
    case ColumnType::Text:
    case ColumnType::LongText: return JsonString(WideFromCodePage(b, column.codePage));
    default: return Hex(b);
    }
}

std::string CellJson(const Column& column, const Cell& cell) {
    if (cell.null || cell.items.empty()) return "null";
    if (!cell.multi) return ItemJson(column, cell.items[0]);
    std::string out = "[";
    for (size_t i = 0; i < cell.items.size(); ++i) out += (i ? ", " : "") + ItemJson(column, cell.items[i]);
    return out + "]";
}

// Problems as a JSON member (nothing when there are none) and on standard error.
std::string IssuesJson(const Database& db, Console& console, bool& damaged) {
    damaged = false;
    if (db.Issues().empty()) return std::string();
    std::string out = ", \"issues\": [";
    for (size_t i = 0; i < db.Issues().size(); ++i) {
        const korvane::ese::Issue& issue = db.Issues()[i];
        damaged = damaged || !issue.corrected;
        console.Err("edb2pst: " + issue.text + "\n");
        out += (i ? ", " : "") + std::string("{\"page\": ") + std::to_string(issue.page) +
               ", \"text\": " + JsonString(mailbox::FromUtf8(issue.text)) +
               ", \"corrected\": " + (issue.corrected ? "true" : "false") + "}";
    }
    return out + "]";
}

}  // namespace

int RunInspectCommand(const std::vector<std::wstring>& args, Console& console, const SourceOpener&) {
    bool json = false, haveTable = false;
    std::wstring path, tableName;
    uint64_t limit = UINT64_MAX;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--json") {
            json = true;
        } else if (arg == L"--table" && i + 1 < args.size()) {
            haveTable = true;
            tableName = args[++i];
        } else if (arg == L"--catalog" && !haveTable) {
            // What a user can send for us to check the Exchange layer: names and types, no mail content.
            haveTable = true;
            tableName = L"MSysObjects";
        } else if (arg == L"--limit" && i + 1 < args.size()) {
            const std::wstring& n = args[++i];
            if (n.empty() || n.size() > 18 || n.find_first_not_of(L"0123456789") != std::wstring::npos)
                return UsageError(console, "--limit takes a number", kInspectUsage);
            limit = std::stoull(n);
        } else if (path.empty() && !arg.empty() && arg[0] != L'-') {
            path = arg;
        } else {
            return UsageError(console, "unexpected argument \"" + mailbox::ToUtf8(arg) + "\"", kInspectUsage);
        }
    }
    if (path.empty()) return UsageError(console, "no source file named", kInspectUsage);
    if (limit != UINT64_MAX && !haveTable) return UsageError(console, "--limit goes with --table", kInspectUsage);

    std::string error;
    std::unique_ptr<korvane::ese::File> file = korvane::ese::OpenFile(std::filesystem::path(path), error);
    if (!file) {
        console.Err("edb2pst: " + mailbox::ToUtf8(path) + ": " + error + "\n");
        return 2;
    }
    std::unique_ptr<Database> db = Database::Open(std::move(file), error);
    if (!db) {
        console.Err("edb2pst: " + mailbox::ToUtf8(path) + ": " + error + "\n");
        return 2;
    }
    const korvane::ese::HeaderInfo& header = db->Header();
    const uint64_t totalBytes = header.pages * header.pageSize;
    auto percent = [&] { return totalBytes ? db->BytesRead() * 100 / totalBytes : 100; };
    if (header.Dirty())
        console.Err("edb2pst: the database was not shut down cleanly (state " +
                    korvane::ese::DatabaseStateName(header.state) + "); it is read as it stands\n");

    std::string out;
    bool damaged = false;
    if (!haveTable) {
        std::vector<uint64_t> counts;
        {
            ProgressBar bar(console, "counting records");
            for (const korvane::ese::Table& table : db->Tables()) {
                uint64_t count = 0;
                db->CountRecords(table, count);
                counts.push_back(count);
                bar.Show(percent());
            }
        }
        const std::vector<korvane::ese::Table>& tables = db->Tables();
        if (json) {
            out = "{\"source\": " + JsonString(path) + ", \"format\": {\"version\": " +
                  std::to_string(header.formatVersion) + ", \"revision\": " + std::to_string(header.formatRevision) +
                  ", \"page_size\": " + std::to_string(header.pageSize) + ", \"state\": \"" +
                  korvane::ese::DatabaseStateName(header.state) + "\", \"pages\": " + std::to_string(header.pages) +
                  "}, \"tables\": [";
            for (size_t i = 0; i < tables.size(); ++i)
                out += (i ? ", " : "") + std::string("{\"name\": ") + Name(tables[i].name) +
                       ", \"columns\": " + std::to_string(tables[i].columns.size()) +
                       ", \"records\": " + std::to_string(counts[i]) + "}";
            out += "]" + IssuesJson(*db, console, damaged) + "}\n";
        } else {
            char line[160];
            std::snprintf(line, sizeof line, "format: version 0x%x, revision 0x%x, page size %u, %s, %llu pages\n",
                          header.formatVersion, header.formatRevision, header.pageSize,
                          korvane::ese::DatabaseStateName(header.state).c_str(),
                          static_cast<unsigned long long>(header.pages));
            out = line;
            for (size_t i = 0; i < tables.size(); ++i)
                out += mailbox::ToUtf8(WideFromCodePage({tables[i].name.begin(), tables[i].name.end()}, 1252)) +
                       ": " + std::to_string(tables[i].columns.size()) + " columns, " + std::to_string(counts[i]) +
                       " records\n";
            IssuesJson(*db, console, damaged);
        }
        console.Out(out);
        return damaged ? 1 : 0;
    }

    const std::string wanted = mailbox::ToUtf8(tableName);
    const korvane::ese::Table* table = nullptr;
    for (const korvane::ese::Table& t : db->Tables())
        if (mailbox::ToUtf8(WideFromCodePage({t.name.begin(), t.name.end()}, 1252)) == wanted) table = &t;
    if (!table) {
        console.Err("edb2pst: " + mailbox::ToUtf8(path) + " has no table \"" + wanted + "\"\n");
        return 2;
    }
    std::vector<std::string> keys;
    for (const Column& c : table->columns) keys.push_back(Name(c.name));
    if (json) {
        out = "{\"table\": " + Name(table->name) + ", \"columns\": [";
        for (size_t i = 0; i < table->columns.size(); ++i)
            out += (i ? ", " : "") + std::string("{\"name\": ") + keys[i] + ", \"id\": " +
                   std::to_string(table->columns[i].id) + ", \"type\": \"" +
                   korvane::ese::ColumnTypeName(table->columns[i].type) + "\"}";
        out += "], \"records\": [";
    } else {
        out = "table " + mailbox::ToUtf8(WideFromCodePage({table->name.begin(), table->name.end()}, 1252)) + "\n";
        for (const Column& c : table->columns)
            out += "  column " + std::to_string(c.id) + " " + c.name + " " + korvane::ese::ColumnTypeName(c.type) +
                   "\n";
    }
    uint64_t index = 0;
    {
        ProgressBar bar(console, "reading records ");
        db->ForEachRecord(*table, [&](const korvane::ese::Record& record) {
            if (index >= limit) return false;
            if (json) {
                out += index ? ", {" : "{";
                for (size_t i = 0; i < record.size(); ++i)
                    out += (i ? ", " : "") + keys[i] + ": " + CellJson(table->columns[i], record[i]);
                out += "}";
            } else {
                out += "record " + std::to_string(index) + "\n";
                for (size_t i = 0; i < record.size(); ++i)
                    if (!record[i].null) out += "  " + table->columns[i].name + " = " +
                                                CellJson(table->columns[i], record[i]) + "\n";
            }
            ++index;
            if (out.size() > (1u << 20)) {
                console.Out(out);
                out.clear();
            }
            bar.Show(percent());
            return true;
        });
    }
    if (json) {
        out += "]";
        if (header.Dirty()) out += ", \"dirty\": true";
        out += IssuesJson(*db, console, damaged) + "}\n";
    } else {
        IssuesJson(*db, console, damaged);
    }
    console.Out(out);
    return damaged ? 1 : 0;
}

}  // namespace cli
