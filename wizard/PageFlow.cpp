#include "PageFlow.h"

namespace {
// The mailbox, search and About pages join the program in later builds; until
// then their commands return straight to the main page.
void PageNotInThisBuild(CWnd*) {}
}  // namespace

namespace pageflow {

RunPageFn RunMailboxPage = PageNotInThisBuild;
RunPageFn RunSearchPage = PageNotInThisBuild;
RunPageFn RunAboutDialog = PageNotInThisBuild;
RunPageFn RunPreviewPage = PageNotInThisBuild;
RunPageFn RunConversionPage = PageNotInThisBuild;

void RestoreAll() {
    RunMailboxPage = PageNotInThisBuild;
    RunSearchPage = PageNotInThisBuild;
    RunAboutDialog = PageNotInThisBuild;
    RunPreviewPage = PageNotInThisBuild;
    RunConversionPage = PageNotInThisBuild;
}

}  // namespace pageflow
