// The wizard's resettable globals, one line each: type, name, value at process
// start. Included with KORVANE_WIZARD_GLOBAL defined, once for the declarations,
// once for the definitions and once for the reset, so the three cannot drift.
// A page that owns a global of its own adds its line here.
// No include guard: it is meant to be included more than once.

KORVANE_WIZARD_GLOBAL(CString, g_programFolder,
                      CString())  // the "FilePath" setting: skins, splash, help, default log folder
KORVANE_WIZARD_GLOBAL(CString, g_settingsKey, CString())  // settings key below HKEY_CLASSES_ROOT
KORVANE_WIZARD_GLOBAL(wchar_t, g_platformKind, L'N')      // 'F' on the Windows 9x platform, else 'N'
KORVANE_WIZARD_GLOBAL(CMorvathDlg*, g_mainPage, nullptr)  // not owned; set when the main page initialises

KORVANE_WIZARD_GLOBAL(CString, g_sourceFilePath, CString())      // upper-cased path of the source file
KORVANE_WIZARD_GLOBAL(CString, g_analysisSourcePath, CString())  // the source file in the letter case the user chose
KORVANE_WIZARD_GLOBAL(CString, g_conversionSourcePath,
                      CString())                             // source path shown by the preview and conversion pages
KORVANE_WIZARD_GLOBAL(CString, g_sourceFileName, CString())  // file-name part of the chosen source file
KORVANE_WIZARD_GLOBAL(int, g_sourceFileCount, 0)             // rows in the main page's source list at Next

KORVANE_WIZARD_GLOBAL(int, g_selectAll, 0)
KORVANE_WIZARD_GLOBAL(int, g_skipAnalysis, 0)
KORVANE_WIZARD_GLOBAL(int, g_returnedFromPreview, 0)
KORVANE_WIZARD_GLOBAL(int, g_searchPageVisited, 0)
KORVANE_WIZARD_GLOBAL(CString, g_selectedEdbFile, CString())
KORVANE_WIZARD_GLOBAL(int, g_sourceFromSearch, 0)
KORVANE_WIZARD_GLOBAL(int, g_foundCount, 0)  // the search page's last counter figure
KORVANE_WIZARD_GLOBAL(int, g_savingAborted, 0)

// The mailbox page's choice, handed to the preview page and the conversion.
KORVANE_WIZARD_GLOBAL(SelectedMailboxList, g_selectedMailboxes, SelectedMailboxList())
KORVANE_WIZARD_GLOBAL(int, g_previewMailboxCursor, 0)     // index into g_selectedMailboxes of the mailbox previewed
KORVANE_WIZARD_GLOBAL(int, g_conversionMailboxCursor, 0)  // index into g_selectedMailboxes of the mailbox converted
KORVANE_WIZARD_GLOBAL(CString, g_currentMailboxName, CString())
KORVANE_WIZARD_GLOBAL(CString, g_selectedCountText, CString())       // decimal count of the selected mailboxes
KORVANE_WIZARD_GLOBAL(unsigned long long, g_sourceFileLength, 0ULL)  // measured by the mailbox scan
KORVANE_WIZARD_GLOBAL(int, g_skipNoticePending, 0)                   // the preview page shows its skip notice once
KORVANE_WIZARD_GLOBAL(int, g_treeReady, 0)                           // the folder tree's images are set up

// The preview: the shown mailbox, the analysis results and the destinations
// the Save commands chose.
KORVANE_WIZARD_GLOBAL(CString, g_previewedMailboxName, CString())  // set by Previous/Next Mailbox
KORVANE_WIZARD_GLOBAL(CString, g_lastAnalysedMailboxName, CString())
KORVANE_WIZARD_GLOBAL(CString, g_mailboxNumberText, CString())  // the shown mailbox's number when the preview opened
KORVANE_WIZARD_GLOBAL(uint64_t, g_analysisMessageCount, 0)      // header markers found by the last scan
KORVANE_WIZARD_GLOBAL(CString, g_analysisMessageCountText, CString())  // 0-based number of the last marker found
KORVANE_WIZARD_GLOBAL(int, g_analysisAborted, 0)                       // the user stopped the last analysis
KORVANE_WIZARD_GLOBAL(std::vector<CString>, g_tickedFolders,
                      std::vector<CString>())                   // full paths, for Save Current Mailbox
KORVANE_WIZARD_GLOBAL(CString, g_runFolder, CString())          // destination of Save Current Mailbox
KORVANE_WIZARD_GLOBAL(CString, g_destinationFolder, CString())  // destination of Save All
KORVANE_WIZARD_GLOBAL(int, g_saveCurrentPending, 0)
KORVANE_WIZARD_GLOBAL(int, g_savingCurrentMailbox, 0)
