// The Exchange profiles over the writer. Folder ids come from a seeded
// permutation, so the rows of a folder table (stored in folder-id order) are
// never in the order of the tree; each mailbox's root folder has no name and
// no parent, its children are the folders given.
#include "Exchange.h"

#include <cstdio>
#include <numeric>
#include <random>
#include <stdexcept>

namespace esewriter {
namespace {

struct FlatFolder {
    const FolderSpec* spec;  // null for the mailbox's root
    std::string path;
    int parent;
};

void Flatten(const std::vector<FolderSpec>& folders, const std::string& prefix, int parent,
             std::vector<FlatFolder>& out) {
    for (const FolderSpec& folder : folders) {
        std::string path = prefix.empty() ? folder.name : prefix + "/" + folder.name;
        out.push_back({&folder, path, parent});
        Flatten(folder.children, path, static_cast<int>(out.size()) - 1, out);
    }
}

constexpr int kNoSuchFolder = -2;

std::vector<FlatFolder> FoldersOf(const MailboxSpec& mailbox) {
    std::vector<FlatFolder> out;
    if (mailbox.folders.empty()) return out;
    out.push_back({nullptr, "", -1});
    Flatten(mailbox.folders, "", 0, out);
    if (mailbox.damagedLinks) {
        if (out.size() < 5) throw std::runtime_error("damaged links need four folders");
        out.back().parent = kNoSuchFolder;
        out[2].parent = 3;
        out[3].parent = 2;
    }
    return out;
}

// Fisher-Yates over mt19937, whose output the standard fixes: the same order on every platform.
std::vector<uint32_t> Shuffled(size_t count, uint32_t seed) {
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    std::mt19937 random(seed);
    for (size_t i = count; i > 1; --i) std::swap(order[i - 1], order[random() % i]);
    return order;
}

Cell Int(uint32_t column, uint64_t value, int width) { return {column, LittleEndian(value, width)}; }
Cell Text(uint32_t column, const std::string& utf8) { return {column, Utf16(utf8)}; }

Bytes GuidOf(uint32_t a, uint32_t b) {
    Bytes guid = LittleEndian(0x4b4f5256u ^ a, 4);
    Bytes rest = LittleEndian((static_cast<uint64_t>(b) << 32) | (a * 2654435761u), 8);
    guid.insert(guid.end(), rest.begin(), rest.end());
    Bytes tail = LittleEndian(0x5354u + b, 4);
    guid.insert(guid.end(), tail.begin(), tail.end());
    return guid;
}

uint32_t TotalMessages(const MailboxSpec& mailbox) {
    uint32_t total = 0;
    for (const FlatFolder& folder : FoldersOf(mailbox)) total += folder.spec ? folder.spec->messages : 0;
    return total;
}

size_t CountFolders(const ExchangeSpec& spec) {
    size_t count = 0;
    for (const MailboxSpec& mailbox : spec.mailboxes) count += FoldersOf(mailbox).size();
    return count;
}

const ColumnType Currency = ColumnType::Currency;
const ColumnType Long = ColumnType::Long;
const ColumnType LongText = ColumnType::LongText;

// Exchange 2000 to 2007: one table each for mailboxes, folders and messages;
// a folder id is a 2-byte replica id below a 6-byte counter, in 64-bit columns.
void BuildFiveTables(const ExchangeSpec& spec, Database& db) {
    Table global{
        "Global", {{1, "L6701", Long}, {128, "B6762", ColumnType::Binary, 16}, {256, "S3001", LongText, 0, 1200}}, {1}};
    global.rows.push_back({{Int(1, 1, 4), {128, GuidOf(0, 0)}, Text(256, "Mailbox Database")}});
    Table mailboxes{"Mailbox",
                    {{1, "L6701", Long},
                     {2, "Q6748", Currency},
                     {3, "L3602", Long},
                     {128, "B6704", ColumnType::Binary, 16},
                     {256, "S3001", LongText, 0, 1200}},
                    {1}};
    Table folders{"Folders",
                  {{1, "Q6748", Currency},
                   {2, "Q6749", Currency},
                   {3, "L6701", Long},
                   {4, "L3602", Long},
                   {256, "S3001", LongText, 0, 1200},
                   {257, "S3613", LongText, 0, 1200}},
                  {1}};
    Table messages{"Msg",
                   {{1, "Q674a", Currency},
                    {2, "Q6749", Currency},
                    {3, "L6701", Long},
                    {4, "T0e06", Currency},
                    {256, "S0037", LongText, 0, 1200},
                    {257, "S1000", LongText, 0, 1200}},
                   {1}};
    Table perUserRead{"PerUserRead", {{1, "Q6748", Currency}, {128, "B6762", ColumnType::Binary, 16}}, {1}};
    const std::vector<uint32_t> order = Shuffled(CountFolders(spec), spec.seed);
    size_t next = 0;
    uint32_t messageNumber = 0;
    for (const MailboxSpec& mailbox : spec.mailboxes) {
        std::vector<FlatFolder> flat = FoldersOf(mailbox);
        std::vector<uint64_t> ids;
        for (size_t i = 0; i < flat.size(); ++i)
            ids.push_back((static_cast<uint64_t>(0x100 + order[next++]) << 16) | 1);
        Row row{{Int(1, mailbox.number, 4),
                 Int(3, TotalMessages(mailbox), 4),
                 {128, GuidOf(mailbox.number, 1)},
                 Text(256, mailbox.owner)}};
        if (!ids.empty()) row.cells.push_back(Int(2, ids[0], 8));
        mailboxes.rows.push_back(row);
        for (size_t i = 0; i < flat.size(); ++i) {
            const FolderSpec* folder = flat[i].spec;
            Row f{{Int(1, ids[i], 8), Int(3, mailbox.number, 4), Int(4, folder ? folder->messages : 0, 4),
                   Text(256, folder ? folder->name : "")}};
            if (flat[i].parent >= 0) f.cells.push_back(Int(2, ids[flat[i].parent], 8));
            if (flat[i].parent == kNoSuchFolder) f.cells.push_back(Int(2, 0xffff0001u, 8));
            if (folder && !folder->containerClass.empty()) f.cells.push_back(Text(257, folder->containerClass));
            folders.rows.push_back(f);
            for (uint32_t m = 0; folder && m < folder->messages; ++m, ++messageNumber) {
                // every seventh message has a body long enough to be separated, of one chunk or several
                static const size_t kLongBodies[] = {600, 900, 1500, 5000};
                std::string body = messageNumber % 7 == 3
                                       ? std::string(kLongBodies[messageNumber / 7 % 4], char('a' + messageNumber % 26))
                                       : "Short body";
                messages.rows.push_back(
                    {{Int(1, (static_cast<uint64_t>(0x10000 + messageNumber) << 16) | 1, 8), Int(2, ids[i], 8),
                      Int(3, mailbox.number, 4), Int(4, 0x01dc000000000000ull + messageNumber * 600000000ull, 8),
                      Text(256, "Message " + std::to_string(m + 1) + " in " + folder->name), Text(257, body)}});
            }
        }
    }
    db.tables = {global, mailboxes, folders, messages, perUserRead};
}

// Exchange 2010 and later: the Mailbox table, and per mailbox N a Folder_N
// table whose folder ids are 26-byte binaries.
Bytes FolderId(const MailboxSpec& mailbox, uint32_t counter) {
    Bytes id = GuidOf(mailbox.number, 2);
    for (int i = 7; i >= 0; --i) id.push_back(static_cast<uint8_t>(static_cast<uint64_t>(counter) >> (8 * i)));
    id.push_back(0);
    id.push_back(1);
    return id;
}

Bytes PropertyBlob(size_t folderIndex) {
    // "ProP" and an empty property list; one folder in 37 carries a blob of
    // several long-value chunks
    Bytes blob = {'P', 'r', 'o', 'P', 0, 0, 0, 0};
    const size_t size = folderIndex % 37 == 5 ? 70000 : 40;
    while (blob.size() < size) blob.push_back(static_cast<uint8_t>(blob.size() * 31 + folderIndex));
    return blob;
}

void BuildPerMailboxTables(const ExchangeSpec& spec, Database& db) {
    Table mailboxes{"Mailbox",
                    {{1, "MailboxNumber", Long},
                     {2, "MessageCount", ColumnType::LongLong},
                     {3, "MailboxGuid", ColumnType::Guid},
                     {4, "MailboxInstanceGuid", ColumnType::Guid},
                     {256, "MailboxOwnerDisplayName", LongText, 0, 1200},
                     {257, "DisplayName", LongText, 0, 1200}},
                    {1}};
    std::vector<Table> folderTables;
    const std::vector<uint32_t> order = Shuffled(CountFolders(spec), spec.seed);
    size_t next = 0;
    for (const MailboxSpec& mailbox : spec.mailboxes) {
        mailboxes.rows.push_back({{Int(1, mailbox.number, 4),
                                   Int(2, TotalMessages(mailbox), 8),
                                   {3, GuidOf(mailbox.number, 3)},
                                   {4, GuidOf(mailbox.number, 4)},
                                   Text(256, mailbox.owner),
                                   Text(257, mailbox.owner)}});
        Table table{"Folder_" + std::to_string(mailbox.number),
                    {{1, "MailboxNumber", Long},
                     {2, "MessageCount", ColumnType::LongLong},
                     {128, "FolderId", ColumnType::Binary, 26},
                     {129, "ParentFolderId", ColumnType::Binary, 26},
                     {256, "DisplayName", LongText, 0, 1200},
                     {257, "ContainerClass", LongText, 0, 1200},
                     {258, "PropertyBlob", ColumnType::LongBinary}},
                    {128}};
        std::vector<FlatFolder> flat = FoldersOf(mailbox);
        std::vector<Bytes> ids;
        for (size_t i = 0; i < flat.size(); ++i) ids.push_back(FolderId(mailbox, 0x100 + order[next++]));
        for (size_t i = 0; i < flat.size(); ++i) {
            const FolderSpec* folder = flat[i].spec;
            Row row{{Int(1, mailbox.number, 4),
                     Int(2, folder ? folder->messages : 0, 8),
                     {128, ids[i]},
                     Text(256, folder ? folder->name : ""),
                     {258, PropertyBlob(i)}}};
            if (flat[i].parent >= 0) row.cells.push_back({129, ids[flat[i].parent]});
            if (flat[i].parent == kNoSuchFolder) row.cells.push_back({129, FolderId(mailbox, 0xffffff)});
            if (folder && !folder->containerClass.empty()) row.cells.push_back(Text(257, folder->containerClass));
            table.rows.push_back(row);
        }
        folderTables.push_back(table);
    }
    db.tables = {mailboxes};
    db.tables.insert(db.tables.end(), folderTables.begin(), folderTables.end());
}

// JSON output -----------------------------------------------------------

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xc0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xe0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    }
}

std::string Quoted(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string ValueJson(const Column& column, const Bytes& value) {
    switch (column.type) {
    case ColumnType::Bit:
    case ColumnType::UnsignedByte:
    case ColumnType::UnsignedShort:
    case ColumnType::UnsignedLong:
    case ColumnType::Short:
    case ColumnType::Long:
    case ColumnType::LongLong:
    case ColumnType::Currency: {
        uint64_t raw = 0;
        for (size_t i = value.size(); i-- > 0;) raw = (raw << 8) | value[i];
        const bool isSigned = column.type == ColumnType::Short || column.type == ColumnType::Long ||
                              column.type == ColumnType::LongLong || column.type == ColumnType::Currency;
        if (isSigned && value.size() < 8 && (raw >> (8 * value.size() - 1)) & 1) raw |= ~0ull << (8 * value.size());
        return isSigned ? std::to_string(static_cast<int64_t>(raw)) : std::to_string(raw);
    }
    case ColumnType::Text:
    case ColumnType::LongText:
        if (column.codepage == 1200) {
            std::string utf8;
            for (size_t i = 0; i + 1 < value.size(); i += 2) {
                uint32_t unit = value[i] | (value[i + 1] << 8);
                if (unit >= 0xd800 && unit < 0xdc00 && i + 3 < value.size()) {
                    uint32_t low = value[i + 2] | (value[i + 3] << 8);
                    unit = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
                    i += 2;
                }
                AppendUtf8(utf8, unit);
            }
            return Quoted(utf8);
        }
        return Quoted(std::string(value.begin(), value.end()));
    default: {
        std::string hex = "\"";
        char two[3];
        for (uint8_t byte : value) {
            std::snprintf(two, sizeof two, "%02x", byte);
            hex += two;
        }
        return hex + "\"";
    }
    }
}

void FolderJson(std::string& out, const MailboxSpec& mailbox) {
    std::vector<FlatFolder> flat = FoldersOf(mailbox);
    bool first = true;
    for (const FlatFolder& folder : flat) {
        if (!folder.spec) continue;
        out += first ? "" : ",";
        first = false;
        out += "\n      {\"path\": " + Quoted(folder.path) + ", \"class\": " +
               (folder.spec->containerClass.empty() ? std::string("null") : Quoted(folder.spec->containerClass)) +
               ", \"messages\": " + std::to_string(folder.spec->messages) + "}";
    }
}

}  // namespace

const char* SchemaName(Schema schema) {
    switch (schema) {
    case Schema::Exchange2003:
        return "exchange-2003";
    case Schema::Exchange2007:
        return "exchange-2007";
    case Schema::Exchange2010:
        return "exchange-2010";
    default:
        return "exchange-2013+";
    }
}

Database BuildExchangeDatabase(const ExchangeSpec& spec) {
    Database db;
    db.dirty = spec.dirty;
    switch (spec.schema) {
    case Schema::Exchange2003:
        db.pageSize = 4096;
        break;
    case Schema::Exchange2007:
        db.pageSize = 8192;
        break;
    case Schema::Exchange2010:
        db.pageSize = 32768;
        db.revision = 0x11;
        break;
    case Schema::Exchange2013:
        db.pageSize = 32768;
        break;
    }
    if (spec.schema == Schema::Exchange2003 || spec.schema == Schema::Exchange2007) {
        BuildFiveTables(spec, db);
    } else {
        BuildPerMailboxTables(spec, db);
    }
    return db;
}

std::string DescribeJson(const ExchangeSpec& spec, const Database& db) {
    std::string out = "{\n  \"schema\": \"" + std::string(SchemaName(spec.schema)) +
                      "\",\n  \"page_size\": " + std::to_string(db.pageSize) +
                      ",\n  \"revision\": " + std::to_string(db.revision) +
                      ",\n  \"long_value_chunk\": " + std::to_string(LongValueChunkSize(db.pageSize)) +
                      ",\n  \"dirty\": " + (db.dirty ? "true" : "false") + ",\n  \"tables\": [";
    for (size_t t = 0; t < db.tables.size(); ++t) {
        const Table& table = db.tables[t];
        out += (t ? ",\n" : "\n") + std::string("   {\"name\": ") + Quoted(table.name) + ", \"columns\": [";
        for (size_t c = 0; c < table.columns.size(); ++c) {
            const Column& column = table.columns[c];
            out += (c ? ", " : "") + std::string("{\"name\": ") + Quoted(column.name) +
                   ", \"id\": " + std::to_string(column.id) +
                   ", \"type\": " + std::to_string(static_cast<uint32_t>(column.type)) +
                   ", \"codepage\": " + std::to_string(column.codepage) + "}";
        }
        out += "],\n    \"key\": [";
        for (size_t k = 0; k < table.key.size(); ++k) out += (k ? ", " : "") + std::to_string(table.key[k]);
        // records in the order written: the reader sorts nothing, the check compares as sets by key
        out += "],\n    \"records\": [";
        for (size_t r = 0; r < table.rows.size(); ++r) {
            out += (r ? ",\n     [" : "\n     [");
            for (size_t c = 0; c < table.columns.size(); ++c) {
                const Bytes* value = nullptr;
                for (const Cell& cell : table.rows[r].cells) {
                    if (cell.column == table.columns[c].id) value = &cell.value;
                }
                out += (c ? ", " : "") + (value ? ValueJson(table.columns[c], *value) : std::string("null"));
            }
            out += "]";
        }
        out += "]}";
    }
    out += "],\n  \"mailboxes\": [";
    for (size_t m = 0; m < spec.mailboxes.size(); ++m) {
        const MailboxSpec& mailbox = spec.mailboxes[m];
        out += (m ? ",\n" : "\n") + std::string("    {\"number\": ") + std::to_string(mailbox.number) +
               ", \"name\": " + Quoted(mailbox.owner) + ", \"folders\": [";
        FolderJson(out, mailbox);
        out += "]";
        if (mailbox.damagedLinks) {
            std::vector<FlatFolder> flat = FoldersOf(mailbox);
            out += ",\n     \"damaged_links\": {\"orphan\": " + Quoted(flat.back().path) + ", \"cycle\": [" +
                   Quoted(flat[2].path) + ", " + Quoted(flat[3].path) + "]}";
        }
        out += "}";
    }
    return out + "]\n}\n";
}

}  // namespace esewriter
