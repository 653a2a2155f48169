// Mailboxes and folders of both schema families. Exchange 2000 to 2007 keep
// all mailboxes' folders in one Folders table, a MAPI property per column
// named by its type letter and property id (S3001 is PR_DISPLAY_NAME as a
// string); 2010 and later keep one Folder_N table per mailbox number N, with
// named columns. Column names are tried in the order the public descriptions
// make likeliest; a column that is missing leaves its field unknown.
#include <unordered_map>

#include "Cells.h"
#include "exchange/Structure.h"
#include "text/AsciiCase.h"

namespace korvane::exchange {
namespace {

using detail::FindColumn;

struct FolderColumns {
    int id, parent, name, containerClass, messages, mailbox, specialNumber;
};

FolderColumns FiveTableFolderColumns(const ese::Table& t) {
    return {FindColumn(t, {"Q6748"}), FindColumn(t, {"Q6749"}),  FindColumn(t, {"S3001"}),
            FindColumn(t, {"S3613"}), FindColumn(t, {"L3602"}), FindColumn(t, {"L6701"}),
            -1};
}

FolderColumns PerMailboxFolderColumns(const ese::Table& t) {
    return {FindColumn(t, {"FolderId"}),       FindColumn(t, {"ParentFolderId"}), FindColumn(t, {"DisplayName"}),
            FindColumn(t, {"ContainerClass"}), FindColumn(t, {"MessageCount"}),   -1,
            FindColumn(t, {"SpecialFolderNumber"})};
}

// SpecialFolderNumber as public reverse-engineering notes give it; unchecked.
FolderRole RoleByNumber(uint64_t number) {
    static const FolderRole kRoles[] = {FolderRole::None,         FolderRole::Root,      FolderRole::TopOfStore,
                                        FolderRole::Inbox,        FolderRole::Outbox,    FolderRole::SentItems,
                                        FolderRole::DeletedItems, FolderRole::Calendar,  FolderRole::Contacts,
                                        FolderRole::Drafts,       FolderRole::Journal,   FolderRole::Notes,
                                        FolderRole::Tasks,        FolderRole::JunkEmail};
    return number < sizeof kRoles / sizeof kRoles[0] ? kRoles[number] : FolderRole::None;
}

// Where the schema marks no roles: the unnamed root, the IPM subtree below
// it, and the standard folders below that by their English names.
void RolesByName(std::vector<Folder>& folders) {
    static const struct {
        const char* name;
        FolderRole role;
    } kStandard[] = {{"Inbox", FolderRole::Inbox},
                     {"Outbox", FolderRole::Outbox},
                     {"Sent Items", FolderRole::SentItems},
                     {"Deleted Items", FolderRole::DeletedItems},
                     {"Calendar", FolderRole::Calendar},
                     {"Contacts", FolderRole::Contacts},
                     {"Drafts", FolderRole::Drafts},
                     {"Journal", FolderRole::Journal},
                     {"Notes", FolderRole::Notes},
                     {"Tasks", FolderRole::Tasks},
                     {"Junk E-mail", FolderRole::JunkEmail},
                     {"Junk Email", FolderRole::JunkEmail}};
    for (Folder& folder : folders) {
        const FolderRole above = folder.parent < 0 ? FolderRole::None : folders[folder.parent].role;
        if (folder.parent < 0 && folder.name.empty()) {
            folder.role = FolderRole::Root;
        } else if ((folder.parent < 0 || above == FolderRole::Root) &&
                   mailbox::EqualsIgnoreCase(folder.name, "Top of Information Store")) {
            folder.role = FolderRole::TopOfStore;
        } else if (above == FolderRole::TopOfStore) {
            for (const auto& standard : kStandard)
                if (mailbox::EqualsIgnoreCase(folder.name, standard.name)) folder.role = standard.role;
        }
    }
}

struct PendingFolders {
    std::vector<FolderLink> links;
    std::vector<Folder> folders;
};

void AddFolder(const ese::Table& table, const ese::Record& record, const FolderColumns& c, PendingFolders& into) {
    Folder folder;
    folder.name = detail::Text(table, record, c.name).value_or(std::string());
    folder.containerClass = detail::Text(table, record, c.containerClass);
    folder.messages = detail::Count(table, record, c.messages);
    if (std::optional<uint64_t> special = detail::Count(table, record, c.specialNumber))
        folder.role = RoleByNumber(*special);
    into.links.push_back({detail::Raw(record, c.id), detail::Raw(record, c.parent)});
    into.folders.push_back(std::move(folder));
}

void FinishMailbox(Mailbox& mailbox, PendingFolders& pending, bool rolesMarked, uint64_t& steps) {
    mailbox.folders = std::move(pending.folders);
    std::vector<std::string> problems = BuildFolderTree(pending.links, mailbox.folders, steps);
    mailbox.problems.insert(mailbox.problems.end(), problems.begin(), problems.end());
    if (!rolesMarked) RolesByName(mailbox.folders);
}

bool ReadTable(ese::Database& db, const ese::Table& table, Structure& out,
               const std::function<void(const ese::Record&)>& visit) {
    const bool whole = db.ForEachRecord(table, [&](const ese::Record& record) {
        ++out.steps;
        visit(record);
        return true;
    });
    if (!whole) out.problems.push_back("table " + table.name + " could not be read in full; see the page errors");
    return whole;
}

const ese::Table& TableNamed(const ese::Database& db, const char* name) {
    for (const ese::Table& table : db.Tables())
        if (mailbox::EqualsIgnoreCase(table.name, name)) return table;
    return db.Tables().front();  // not reached: recognition found every table it names
}

void ReadFiveTables(ese::Database& db, Structure& out, const std::function<void()>& progress) {
    const ese::Table& mailboxes = TableNamed(db, "Mailbox");
    const int number = FindColumn(mailboxes, {"L6701"});
    const int owner = FindColumn(mailboxes, {"S661C", "S3001"});
    const int guid = FindColumn(mailboxes, {"B6704"});
    const int messages = FindColumn(mailboxes, {"L3602"});
    std::unordered_map<uint64_t, size_t> byNumber;
    ReadTable(db, mailboxes, out, [&](const ese::Record& record) {
        Mailbox mailbox;
        mailbox.number = static_cast<uint32_t>(detail::Count(mailboxes, record, number).value_or(0));
        mailbox.name = detail::Text(mailboxes, record, owner).value_or(std::string());
        mailbox.guid = detail::Guid(record, guid);
        mailbox.messages = detail::Count(mailboxes, record, messages);
        if (!byNumber.emplace(mailbox.number, out.mailboxes.size()).second)
            mailbox.problems.push_back("another mailbox before it has the same number; the folders are listed there");
        out.mailboxes.push_back(std::move(mailbox));
    });
    if (progress) progress();

    const ese::Table& folders = TableNamed(db, "Folders");
    const FolderColumns columns = FiveTableFolderColumns(folders);
    std::vector<PendingFolders> pending(out.mailboxes.size());
    uint64_t unclaimed = 0;
    ReadTable(db, folders, out, [&](const ese::Record& record) {
        auto found = byNumber.find(detail::Count(folders, record, columns.mailbox).value_or(UINT64_MAX));
        if (found == byNumber.end()) {
            ++unclaimed;
            return;
        }
        AddFolder(folders, record, columns, pending[found->second]);
    });
    if (unclaimed)
        out.problems.push_back(std::to_string(unclaimed) +
                               " folders name a mailbox number that the Mailbox table does not have");
    for (size_t i = 0; i < out.mailboxes.size(); ++i) FinishMailbox(out.mailboxes[i], pending[i], false, out.steps);
    if (progress) progress();
}

void ReadPerMailboxTables(ese::Database& db, Structure& out, const std::function<void()>& progress) {
    // One lookup per mailbox: a map, so that 10,000 mailboxes do not search 10,000 tables each.
    std::unordered_map<std::string, const ese::Table*> tables;
    for (const ese::Table& table : db.Tables()) tables.emplace(mailbox::LowerAscii(table.name), &table);
    const ese::Table& mailboxes = *tables.at("mailbox");
    const int number = FindColumn(mailboxes, {"MailboxNumber"});
    const int owner = FindColumn(mailboxes, {"MailboxOwnerDisplayName", "DisplayName"});
    const int guid = FindColumn(mailboxes, {"MailboxGuid"});
    const int instance = FindColumn(mailboxes, {"MailboxInstanceGuid"});
    const int messages = FindColumn(mailboxes, {"MessageCount"});
    ReadTable(db, mailboxes, out, [&](const ese::Record& record) {
        Mailbox mailbox;
        mailbox.number = static_cast<uint32_t>(detail::Count(mailboxes, record, number).value_or(0));
        mailbox.name = detail::Text(mailboxes, record, owner).value_or(std::string());
        mailbox.guid = detail::Guid(record, guid);
        mailbox.instanceGuid = detail::Guid(record, instance);
        mailbox.messages = detail::Count(mailboxes, record, messages);
        out.mailboxes.push_back(std::move(mailbox));
    });
    if (progress) progress();

    for (Mailbox& mailbox : out.mailboxes) {
        auto found = tables.find("folder_" + std::to_string(mailbox.number));
        if (found == tables.end()) {
            mailbox.problems.push_back("the database has no table Folder_" + std::to_string(mailbox.number) +
                                       " for this mailbox's folders");
            continue;
        }
        const ese::Table& table = *found->second;
        const FolderColumns columns = PerMailboxFolderColumns(table);
        PendingFolders pending;
        ReadTable(db, table, out, [&](const ese::Record& record) { AddFolder(table, record, columns, pending); });
        FinishMailbox(mailbox, pending, columns.specialNumber >= 0, out.steps);
        if (progress) progress();
    }
}

}  // namespace

const char* FolderRoleName(FolderRole role) {
    switch (role) {
    case FolderRole::None: break;
    case FolderRole::Root: return "root";
    case FolderRole::TopOfStore: return "top_of_information_store";
    case FolderRole::Inbox: return "inbox";
    case FolderRole::Outbox: return "outbox";
    case FolderRole::SentItems: return "sent_items";
    case FolderRole::DeletedItems: return "deleted_items";
    case FolderRole::Calendar: return "calendar";
    case FolderRole::Contacts: return "contacts";
    case FolderRole::Drafts: return "drafts";
    case FolderRole::Journal: return "journal";
    case FolderRole::Notes: return "notes";
    case FolderRole::Tasks: return "tasks";
    case FolderRole::JunkEmail: return "junk_email";
    }
    return "";
}

Structure ReadStructure(ese::Database& db, const std::function<void()>& progress) {
    Structure out;
    out.recognition = RecogniseSchema(db);
    out.dirty = db.Header().Dirty();
    switch (out.recognition.schema) {
    case Schema::NotMailbox: break;
    case Schema::Exchange2003:
    case Schema::Exchange2007: ReadFiveTables(db, out, progress); break;
    case Schema::Exchange2010:
    case Schema::Exchange2013: ReadPerMailboxTables(db, out, progress); break;
    }
    return out;
}

}  // namespace korvane::exchange
