#pragma once
// Save All: every selected mailbox into a PST of its own under the
// destination, with the standard folder set and every message of the source
// in each Inbox. The conversion page's worker and `edb2pst convert` both run
// it.
//
// Names: with the analysis done, all mailboxes share one run folder,
// "Korvane-EDB-PST" + date text; with it skipped, each gets
// "Korvane_Converted_" + source file name + date text + "\" + mailbox name.
// Mailbox names are made safe and distinct once per run, and their length is
// bounded so that every path fits; a destination that leaves no room for a
// usable name is refused before anything is written.
// A mailbox that fails (store not created, source unreadable) is reported in
// its result and the run goes on with the next one; a stop ends the run after
// the message being handed over.
#include <string>
#include <vector>

#include "transfer/MailboxTransfer.h"

namespace convert {

struct SaveAllRequest {
    std::wstring destination;
    std::vector<std::wstring> mailboxes;  // names as found, in list order
    bool skipAnalysis = false;
};

struct SaveAllOutcome {
    std::wstring refusal;  // set when the run could not start; nothing was written
    std::vector<MailboxResult> mailboxes;
    bool stopped = false;

    bool Succeeded() const;
};

// The longest safe mailbox name that keeps every path of the run within
// kMaxPathUnits; 0 when not even a short name fits.
size_t MailboxNameBudget(const SaveAllRequest& request, const std::wstring& sourceFileName);

SaveAllOutcome SaveAllMailboxes(const SaveAllRequest& request, const TransferServices& services,
                                const TransferSource& source);

}  // namespace convert
