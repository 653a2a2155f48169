#pragma once
// The sets of menu commands that more than one page or dialog grays, and the
// graying itself. It goes by command, so an id the menu lacks is left alone
// and a page may gray commands only another page's menu has.
#include <windows.h>

#include "res/resource.h"

// The search page's commands, grayed wherever choosing the source is over.
constexpr UINT kSearchPageCommands[] = {ID_SEARCH_PAGE_COMMAND_1, ID_SEARCH_PAGE_COMMAND_2};

// What stays grayed on the preview page: the source and the mailboxes are
// chosen on the pages before it. The analysis dialog grays them again, with
// the two Save commands, when the user stops the analysis.
constexpr UINT kPreviewGrayedCommands[] = {
    ID_SELECT_EDB_FILE, ID_UNLISTED_PREVIEW_COMMAND, ID_SEARCH_PAGE_COMMAND_2, ID_SEARCH_PAGE_COMMAND_1, ID_CONVERT,
    ID_SELECT_ALL,      ID_SELECT_DIRECTORY};

// Grays every command of the list on the menu; a page without a menu grays nothing.
template <class Commands>
void GrayMenuCommands(HMENU menu, const Commands& commands) {
    if (!menu) return;
    for (UINT command : commands) ::EnableMenuItem(menu, command, MF_BYCOMMAND | MF_GRAYED);
}
