#pragma once
// Resources shared by all pages: the application icon, the wizard menu and its
// commands, the string table, the type library.
#define IDI_APPLICATION_ICON 5
#define IDP_OLE_INIT_FAILED 100
#define IDS_ABOUTBOX 101
#define IDR_WIZARD_MENU 135
#define IDM_ABOUTBOX 0x0010

#define ID_SELECT_EDB_FILE 32771
#define ID_SAVE_CURRENT_MAILBOX 32775
#define ID_SAVE_ALL_MAILBOX 32776
#define ID_EXIT 32777
#define ID_VIEW_LOG 32779
#define ID_ABOUT 32785
#define ID_HELP_CONTENTS 32786
#define ID_CLEAR_LOG 32788
#define ID_SELECT_ALL 32789
#define ID_CONVERT 32790
#define ID_SELECT_DIRECTORY 32794

// Commands on no menu of this program. The pages gray them all the same
// (graying goes by command, so an absent one is left alone) and the preview
// page answers the second Exit; the numbers stay what they always were.
#define ID_UNLISTED_PREVIEW_COMMAND 32773  // grayed with the source choice on the preview page
#define ID_UNLISTED_MAIN_COMMAND_1 32781   // grayed until a source is chosen on the main page
#define ID_UNLISTED_MAIN_COMMAND_2 32782
#define ID_UNLISTED_MAIN_COMMAND_3 32783
#define ID_EXIT_UNLISTED 32787          // the preview page's second Exit, asked with one leading space
#define ID_SEARCH_PAGE_COMMAND_1 32791  // the search page's two commands
#define ID_SEARCH_PAGE_COMMAND_2 32792

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
