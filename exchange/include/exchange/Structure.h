#pragma once
// What an Exchange mailbox database holds by its own tables: which schema
// family wrote it, its mailboxes, and each mailbox's folder tree.
//
// Guarantees:
// - Every table is read once, front to back, in its primary index's order;
//   the work grows linearly with the mailboxes and folders (Structure::steps
//   counts it), whatever the number of tables.
// - The folder tree is rebuilt from parent links alone, never trusting the
//   rows' order. A folder whose parent is missing (an orphan), a folder that
//   names itself as parent when it is not the mailbox's root, and a ring of
//   folders that are each other's ancestors (a cycle) are each reported and
//   listed at the top of the mailbox, so that nothing is lost and no walk loops.
//   A folder 1,000 levels deep is listed at the top as well, with its
//   subfolders: the paths of a damaged chain stay bounded in size.
// - A value that cannot be read leaves that field unknown (nullopt or empty),
//   never a guess; the page that failed is in the database's Issues().
//
// No real Exchange database has been read by this code yet: the column names
// and their meanings rest on public descriptions (see exchange/README.md).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ese/Database.h"

namespace korvane::exchange {

enum class Schema {
    NotMailbox,
    Exchange2003,  // Exchange 2000 and 2003: the five tables on 4 KiB pages
    Exchange2007,  // the same five tables on 8 KiB pages
    Exchange2010,  // Mailbox and a Folder_N per mailbox, format revision below 0x14
    Exchange2013,  // the same, format revision 0x14 or later
};
// "exchange-2003", "exchange-2007", "exchange-2010", "exchange-2013+", "not-a-mailbox-database".
const char* SchemaName(Schema schema);

struct Recognition {
    Schema schema = Schema::NotMailbox;
    // Why it is not a mailbox database, naming its tables; empty otherwise.
    std::string reason;
};
Recognition RecogniseSchema(const ese::Database& db);

// The standard folders, by the role the store gives them.
enum class FolderRole {
    None,
    Root,
    TopOfStore,  // "Top of Information Store", the IPM subtree
    Inbox,
    Outbox,
    SentItems,
    DeletedItems,
    Calendar,
    Contacts,
    Drafts,
    Journal,
    Notes,
    Tasks,
    JunkEmail,
};
// "root", "top_of_information_store", "inbox", ..., "junk_email"; "" for None.
const char* FolderRoleName(FolderRole role);

struct Folder {
    std::string name;                       // UTF-8
    std::optional<std::string> containerClass;
    std::optional<uint64_t> messages;
    FolderRole role = FolderRole::None;
    int parent = -1;                        // index into Mailbox::folders; -1 at the top
    int depth = 0;
    std::string path;                       // names from the top joined by "/", the unnamed root left out
};

struct Mailbox {
    uint32_t number = 0;
    std::string name;                       // the owner's display name, UTF-8
    std::string guid;                       // canonical lowercase text; empty where the schema has none
    std::string instanceGuid;
    std::optional<uint64_t> messages;
    // Depth first from the top, siblings by name: a parent always before its children.
    std::vector<Folder> folders;
    std::vector<std::string> problems;      // broken folder links, each a complete sentence
};

struct Structure {
    Recognition recognition;
    bool dirty = false;
    std::vector<Mailbox> mailboxes;         // in the order of the Mailbox table's primary index
    std::vector<std::string> problems;      // tables that could not be read in full
    uint64_t steps = 0;                     // records visited plus links followed
};

// Reads the mailboxes and their folder trees; `progress` (optional) is called
// after every table. Returns with only `recognition` filled for a database
// that is not a mailbox database.
Structure ReadStructure(ese::Database& db, const std::function<void()>& progress = nullptr);

// The tree-building step on its own. Each link is a folder id and its
// parent's id (empty: none). Fills parent, depth, path and the order of
// `folders` (which must hold one entry per link, in the same order) and
// returns the problems found; `steps` is increased by the work done.
struct FolderLink {
    std::string id;
    std::string parentId;
};
std::vector<std::string> BuildFolderTree(const std::vector<FolderLink>& links, std::vector<Folder>& folders,
                                         uint64_t& steps);

}  // namespace korvane::exchange
