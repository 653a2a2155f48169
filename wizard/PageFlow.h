#pragma once
// The pages the main page opens. Each is run modally with the main page as its
// owner. They are reached through these pointers so that a page can be driven on
// its own in tests, and so a page that is not part of this build leaves the main
// page working.
#include "framework/Wnd.h"

namespace pageflow {

using RunPageFn = void (*)(CWnd* owner);

extern RunPageFn RunMailboxPage;
extern RunPageFn RunSearchPage;
extern RunPageFn RunAboutDialog;
// The preview page, run by the mailbox page's Convert; the conversion page, run
// by the preview page's Save commands.
extern RunPageFn RunPreviewPage;
extern RunPageFn RunConversionPage;

void RestoreAll();

// What the conversion page learns from the page that runs it: the preview page
// tells which mailbox it shows, so that Save Current saves that one.
class PreviewedMailbox {
public:
    virtual int CurrentNumber() const = 0;

protected:
    ~PreviewedMailbox() = default;
};

}  // namespace pageflow
