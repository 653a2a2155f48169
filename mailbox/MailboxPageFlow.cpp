// Puts the mailbox and preview pages into the page flow of the program that links this file
// (the program does; the page tests drive the page themselves).
#include "mailbox/Mailbox.h"
#include "mailbox/Preview.h"
#include "wizard/PageFlow.h"

namespace {
const bool kMailboxPagesInstalled =
    (pageflow::RunMailboxPage = RunMailboxPageModal, pageflow::RunPreviewPage = RunPreviewPageModal, true);
}  // namespace
