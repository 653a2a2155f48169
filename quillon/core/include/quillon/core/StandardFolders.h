#pragma once
// The Exchange folder names the system asks for, and what they become in a PST.

#include <string>
#include <string_view>

namespace quillon {

// Exchange's name for the mailbox's root; it maps onto the PST's own IPM
// subtree, so its children appear at the top of the store.
inline constexpr std::string_view kTopOfInformationStore = "Top of Information Store";
// Directly below the top, this name is the store's own deleted-items folder.
inline constexpr std::string_view kDeletedItems = "Deleted Items";

// Container class of a folder directly below the top: Calendar, Contacts,
// Tasks/Task, Notes and Journal get their item classes, every other folder
// holds mail (IPF.Note). Names compare without regard to ASCII case.
std::string ContainerClassFor(std::string_view folderName);

}  // namespace quillon
