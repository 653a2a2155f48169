#pragma once
#include "framework/Wnd.h"

// Adds a separator and the About item (command 16) to a page's system menu,
// when the string table has a caption for it.
void AppendAboutItemToSystemMenu(CWnd& page);
