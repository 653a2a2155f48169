#include "WizardGlobals.h"

#define KORVANE_WIZARD_GLOBAL(type, name, initial) type name = initial;
#include "wizard/WizardGlobalList.h"
#undef KORVANE_WIZARD_GLOBAL

const CString g_productTitle = L" Korvane for EDB to PST";

const wchar_t kMessageCaption[] = L"Korvane For EDB To PST";
const wchar_t kSecondInstanceCaption[] = L"Korvane for EDB to PST";
const wchar_t kSecondInstanceText[] = L"Korvane For EDB To PST is already running";

void ResetWizardGlobals() {
#define KORVANE_WIZARD_GLOBAL(type, name, initial) name = initial;
#include "wizard/WizardGlobalList.h"
#undef KORVANE_WIZARD_GLOBAL
}
