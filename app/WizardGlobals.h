#pragma once
// The wizard's state, shared by every page and worker of the process. The pages
// are modal and open one another, so what one hands to the next lives here.
// Nothing locks these: the page order keeps the user-interface thread and the
// workers from touching the same value at the same time.
#include "framework/String.h"

class CMorvathDlg;

extern CString g_programFolder;       // the "FilePath" setting: skins, splash, help, default log folder
extern const CString g_productTitle;  // window title of every page
extern CString g_settingsKey;         // settings key below HKEY_CLASSES_ROOT
extern wchar_t g_platformKind;        // 'F' on the Windows 9x platform, else 'N'
extern CMorvathDlg* g_mainPage;       // not owned; set when the main page initialises

extern CString g_sourceFilePath;        // upper-cased path of the source file
extern CString g_analysisSourcePath;    // the source file in the letter case the user chose
extern CString g_conversionSourcePath;  // source path shown by the preview and conversion pages
extern CString g_sourceFileName;        // file-name part of the chosen source file
extern int g_sourceFileCount;           // rows in the main page's source list at Next

extern int g_selectAll;
extern int g_skipAnalysis;
extern int g_returnedFromPreview;
extern int g_searchPageVisited;
extern CString g_selectedEdbFile;
extern int g_sourceFromSearch;
extern int g_savingAborted;

// Product strings whose letter case and spacing differ on purpose.
extern const wchar_t kMessageCaption[];        // "Korvane For EDB To PST"
extern const wchar_t kSecondInstanceCaption[];  // "Korvane for EDB to PST"
extern const wchar_t kSecondInstanceText[];

// Puts every global back to its value at process start (tests start each case from there).
void ResetWizardGlobals();
