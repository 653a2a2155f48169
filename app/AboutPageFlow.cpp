// Puts the About dialog into the page flow of the program that links this file
// (the program does; the page tests open the dialog themselves).
#include "app/AboutDlg.h"
#include "wizard/PageFlow.h"

namespace {
const bool kAboutDialogInstalled = (pageflow::RunAboutDialog = RunAboutDialogModal, true);
}  // namespace
