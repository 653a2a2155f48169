// Exchange-shaped databases for the tests: mailboxes and folder trees as the
// two schema families hold them (see README.md for which facts are public and
// which are our guesses).
#pragma once

#include "EseWriter.h"

#include <string>
#include <vector>

namespace esewriter {

struct FolderSpec {
    std::string name;
    std::string containerClass;  // empty: none stored
    uint32_t messages = 0;
    std::vector<FolderSpec> children = {};
};

struct MailboxSpec {
    uint32_t number = 0;
    std::string owner;
    // Below the mailbox's root folder, which has no name; none at all: no root either.
    std::vector<FolderSpec> folders = {};
    // Links no tree can hold, for the reader's tests: the last folder's parent
    // id names no folder, and the second and third folder below the root name
    // each other as parent (at least four folders needed).
    bool damagedLinks = false;
};

// 2003 and 2007: the five tables, MAPI properties as columns (4 and 8 KiB pages).
// 2010 and 2013+: Mailbox and one Folder_N per mailbox (32 KiB pages).
enum class Schema { Exchange2003, Exchange2007, Exchange2010, Exchange2013 };

struct ExchangeSpec {
    Schema schema = Schema::Exchange2003;
    std::vector<MailboxSpec> mailboxes;
    bool dirty = false;
    uint32_t seed = 1;  // orders folder ids, so that no reader may rely on rows in tree order
};

Database BuildExchangeDatabase(const ExchangeSpec& spec);
// What a reader must find: every table with its columns and records in key
// order, and the mailboxes with their folder paths, classes and counts.
std::string DescribeJson(const ExchangeSpec& spec, const Database& database);
const char* SchemaName(Schema schema);

}  // namespace esewriter
