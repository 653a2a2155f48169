#pragma once
// The wizard's state, shared by every page and worker of the process. The pages
// are modal and open one another, so what one hands to the next lives here.
// Nothing locks these: the page order keeps the user-interface thread and the
// workers from touching the same value at the same time.
#include <cstdint>
#include <vector>

#include "framework/String.h"
#include "wizard/SelectedMailboxList.h"

class CMorvathDlg;

#define KORVANE_WIZARD_GLOBAL(type, name, initial) extern type name;
#include "wizard/WizardGlobalList.h"
#undef KORVANE_WIZARD_GLOBAL

extern const CString g_productTitle;  // window title of every page; never changes

// Product strings whose letter case and spacing differ on purpose.
extern const wchar_t kMessageCaption[];         // "Korvane For EDB To PST"
extern const wchar_t kSecondInstanceCaption[];  // "Korvane for EDB to PST"
extern const wchar_t kSecondInstanceText[];
// How a page asks the user yes or no: above every other window, as the pages always have.
constexpr UINT kPageQuestion = MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL;

// Puts every global of the list back to its value at process start (tests start each case from there).
void ResetWizardGlobals();
