// The wizard's resettable globals, one line each: type, name, value at process
// start. Included with KORVANE_WIZARD_GLOBAL defined, once for the declarations,
// once for the definitions and once for the reset, so the three cannot drift.
// A page that owns a global of its own adds its line here.
// No include guard: it is meant to be included more than once.

KORVANE_WIZARD_GLOBAL(CString, g_programFolder, CString())  // the "FilePath" setting: skins, splash, help, default log folder
KORVANE_WIZARD_GLOBAL(CString, g_settingsKey, CString())    // settings key below HKEY_CLASSES_ROOT
KORVANE_WIZARD_GLOBAL(wchar_t, g_platformKind, L'N')         // 'F' on the Windows 9x platform, else 'N'
KORVANE_WIZARD_GLOBAL(CMorvathDlg*, g_mainPage, nullptr)     // not owned; set when the main page initialises

KORVANE_WIZARD_GLOBAL(CString, g_sourceFilePath, CString())        // upper-cased path of the source file
KORVANE_WIZARD_GLOBAL(CString, g_analysisSourcePath, CString())    // the source file in the letter case the user chose
KORVANE_WIZARD_GLOBAL(CString, g_conversionSourcePath, CString())  // source path shown by the preview and conversion pages
KORVANE_WIZARD_GLOBAL(CString, g_sourceFileName, CString())        // file-name part of the chosen source file
KORVANE_WIZARD_GLOBAL(int, g_sourceFileCount, 0)                   // rows in the main page's source list at Next

KORVANE_WIZARD_GLOBAL(int, g_selectAll, 0)
KORVANE_WIZARD_GLOBAL(int, g_skipAnalysis, 0)
KORVANE_WIZARD_GLOBAL(int, g_returnedFromPreview, 0)
KORVANE_WIZARD_GLOBAL(int, g_searchPageVisited, 0)
KORVANE_WIZARD_GLOBAL(CString, g_selectedEdbFile, CString())
KORVANE_WIZARD_GLOBAL(int, g_sourceFromSearch, 0)
KORVANE_WIZARD_GLOBAL(int, g_savingAborted, 0)
