#include "WizardGlobals.h"

CString g_programFolder;
const CString g_productTitle = L" Korvane for EDB to PST";
CString g_settingsKey;
wchar_t g_platformKind = L'N';
CMorvathDlg* g_mainPage = nullptr;

CString g_sourceFilePath;
CString g_analysisSourcePath;
CString g_conversionSourcePath;
CString g_sourceFileName;
int g_sourceFileCount = 0;

int g_selectAll = 0;
int g_skipAnalysis = 0;
int g_returnedFromPreview = 0;
int g_searchPageVisited = 0;
CString g_selectedEdbFile;
int g_sourceFromSearch = 0;
int g_savingAborted = 0;

const wchar_t kMessageCaption[] = L"Korvane For EDB To PST";
const wchar_t kSecondInstanceCaption[] = L"Korvane for EDB to PST";
const wchar_t kSecondInstanceText[] = L"Korvane For EDB To PST is already running";

void ResetWizardGlobals() {
    g_programFolder.Empty();
    g_settingsKey.Empty();
    g_platformKind = L'N';
    g_mainPage = nullptr;
    g_sourceFilePath.Empty();
    g_analysisSourcePath.Empty();
    g_conversionSourcePath.Empty();
    g_sourceFileName.Empty();
    g_sourceFileCount = 0;
    g_selectAll = 0;
    g_skipAnalysis = 0;
    g_returnedFromPreview = 0;
    g_searchPageVisited = 0;
    g_selectedEdbFile.Empty();
    g_sourceFromSearch = 0;
    g_savingAborted = 0;
}
