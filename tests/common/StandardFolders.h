#pragma once
// The standard folders of a mailbox, as Save All makes them and as every
// reader of its stores must list them.
#include <iterator>
#include <set>
#include <string>

namespace standard_folders {

// What Save All makes in each store, in its order: the root, then the folders below it.
inline const char* const kSaveAll[] = {"Top of Information Store",
                                       "Inbox",
                                       "Outbox",
                                       "Sent Items",
                                       "Drafts",
                                       "Calendar",
                                       "Contacts",
                                       "Tasks",
                                       "Journal",
                                       "Junk E-mail",
                                       "Notes"};

// The top of such a store: the folders below the root and the store's own Deleted Items.
inline std::set<std::string> Top() {
    std::set<std::string> top(std::begin(kSaveAll) + 1, std::end(kSaveAll));
    top.insert("Deleted Items");
    return top;
}

}  // namespace standard_folders
