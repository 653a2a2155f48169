// Puts the mailbox page into the page flow of the program that links this file
// (the program does; the page tests drive the page themselves).
#include "mailbox/Mailbox.h"
#include "wizard/PageFlow.h"

namespace {
const bool kMailboxPageInstalled = (pageflow::RunMailboxPage = RunMailboxPageModal, true);
}  // namespace
