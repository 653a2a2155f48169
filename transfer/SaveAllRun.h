#pragma once
// The two runs, composed once for every caller (the conversion page's
// worker, `edb2pst convert` and the benchmark): the source described (its
// time text, its state, its header count), the run's temporary message
// folder, then the transfer.
//
// Save All: every selected mailbox into a PST of its own under the
// destination, with the standard folder set and every message of the source
// in each Inbox. Save Current: the previewed mailbox into the preview page's
// run folder, with the folders ticked there.
//
// Names: with the analysis done, all mailboxes share one run folder,
// "Korvane-EDB-PST" + date text; with it skipped, each gets
// "Korvane_Converted_" + source file name + date text + "\" + mailbox name.
// Mailbox names are made safe and distinct once per run, and their length is
// bounded so that every path fits; a destination that leaves no room for a
// usable name is refused before anything is written.
// A mailbox that fails (store not created, source unreadable) is reported in
// its result and the run goes on with the next one; a stop ends the run after
// the message being handed over, and a full destination at the refusal it
// caused.
#include <optional>
#include <string>
#include <vector>

#include "transfer/MailboxTransfer.h"

namespace convert {

struct SaveAllRequest {
    std::wstring destination;
    std::vector<std::wstring> mailboxes;  // names as found, in list order
    bool skipAnalysis = false;
};

struct SaveCurrentRequest {
    std::wstring runFolder;                   // SaveCurrentRunFolder, made by the preview page
    std::wstring mailboxName;                 // the previewed mailbox, as found
    std::vector<std::wstring> tickedFolders;  // "mailbox\folder\..."
    bool skipAnalysis = false;
};

struct RunSource {
    std::wstring path;
    // Counted by the caller already; none: counted here, unless the analysis
    // was skipped (the run then shows no total).
    std::optional<uint64_t> headerCount;
};

struct SaveAllOutcome {
    std::wstring refusal;          // set when the run could not start; nothing was written
    bool destinationRefused = false;  // the refusal is the destination's (too long), not the system's
    std::vector<MailboxResult> mailboxes;
    bool stopped = false;
    bool destinationFull = false;

    bool Succeeded() const;
};

// The longest safe mailbox name that keeps every path of the run within
// kMaxPathUnits; 0 when not even a short name fits.
size_t MailboxNameBudget(const SaveAllRequest& request, const std::wstring& sourceFileName);

// `services` with no temporary folder: the run makes its own. With no
// source opener the file on disk is read, and with no code page the system's.
SaveAllOutcome RunSaveAll(const SaveAllRequest& request, const RunSource& source, TransferServices services);
SaveAllOutcome RunSaveCurrent(const SaveCurrentRequest& request, const RunSource& source, TransferServices services);

// Save All over a described source and a temporary folder already made.
SaveAllOutcome SaveAllMailboxes(const SaveAllRequest& request, const TransferServices& services,
                                const TransferSource& source);

}  // namespace convert
