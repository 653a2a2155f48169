// Which schema family wrote a database, by its table names alone: reading a
// single record would tie recognition to column guesses that are not yet
// checked on a real Exchange database.
#include "Cells.h"
#include "exchange/Structure.h"
#include "text/AsciiCase.h"

namespace korvane::exchange {
namespace {

const char* const kFiveTables[] = {"Folders", "Msg", "Mailbox", "Global", "PerUserRead"};

bool IsFolderTableName(const std::string& name) {
    if (name.size() <= 7 || !mailbox::EqualsIgnoreCase(name.substr(0, 7), "Folder_")) return false;
    return name.find_first_not_of("0123456789", 7) == std::string::npos;
}

std::string TableList(const ese::Database& db) {
    std::vector<std::string> names;
    for (const ese::Table& table : db.Tables())
        if (table.name.compare(0, 4, "MSys") != 0) names.push_back(table.name);
    if (names.empty())
        for (const ese::Table& table : db.Tables()) names.push_back(table.name);
    constexpr size_t kNamed = 40;
    std::string out;
    for (size_t i = 0; i < names.size() && i < kNamed; ++i) out += (i ? ", " : "") + names[i];
    if (names.size() > kNamed) out += " and " + std::to_string(names.size() - kNamed) + " more";
    return out;
}

}  // namespace

const char* SchemaName(Schema schema) {
    switch (schema) {
    case Schema::Exchange2003: return "exchange-2003";
    case Schema::Exchange2007: return "exchange-2007";
    case Schema::Exchange2010: return "exchange-2010";
    case Schema::Exchange2013: return "exchange-2013+";
    case Schema::NotMailbox: break;
    }
    return "not-a-mailbox-database";
}

Recognition RecogniseSchema(const ese::Database& db) {
    auto has = [&](const char* name) {
        for (const ese::Table& table : db.Tables())
            if (mailbox::EqualsIgnoreCase(table.name, name)) return &table;
        return static_cast<const ese::Table*>(nullptr);
    };
    std::string present, missing;
    for (const char* name : kFiveTables) (has(name) ? present : missing) += (std::string(", ") + name);
    if (missing.empty()) {
        // Exchange 2007 moved the store to 8 KiB pages; 2000 and 2003 wrote 4 KiB.
        return {db.Header().pageSize <= 4096 ? Schema::Exchange2003 : Schema::Exchange2007, ""};
    }
    const ese::Table* mailbox = has("Mailbox");
    bool folderTables = false;
    for (const ese::Table& table : db.Tables()) folderTables = folderTables || IsFolderTableName(table.name);
    if (mailbox && (folderTables || detail::FindColumn(*mailbox, {"MailboxNumber"}) >= 0)) {
        // Nothing in the tables tells 2010 from 2013 for sure; the engine's
        // format revision moved to 0x14 with the releases that came with 2013.
        return {db.Header().formatRevision < 0x14 ? Schema::Exchange2010 : Schema::Exchange2013, ""};
    }
    std::string reason = "not an Exchange mailbox database";
    if (!present.empty())
        reason += " (it has " + present.substr(2) + " but not " + missing.substr(2) + ")";
    return {Schema::NotMailbox, reason + "; its tables: " + TableList(db)};
}

}  // namespace korvane::exchange
