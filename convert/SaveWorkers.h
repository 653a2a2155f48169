#pragma once
// The two runs of the conversion page, each on the page's worker thread:
// Save All (every selected mailbox, the standard folder set) and Save Current
// (the previewed mailbox, the folders ticked on the preview page). They write
// the activity log, put what the page shows into ControlUpdates, and return
// what happened; they never touch a window.
#include <functional>
#include <string>
#include <vector>

#include "convert/ControlUpdates.h"
#include "transfer/MailboxTransfer.h"
#include "transfer/SaveAllRun.h"

// Everything a run needs, copied from the wizard state on the page's thread
// before the worker starts, so the worker reads no shared global.
struct SaveJob {
    bool saveCurrent = false;
    bool skipAnalysis = false;
    std::wstring sourcePath;                  // the source converted
    std::wstring shownSourcePath;             // what the page shows as the source
    std::wstring destination;                 // Save All: the chosen folder; Save Current: its run folder
    std::vector<std::wstring> mailboxes;      // Save All, names as found, in list order
    std::wstring mailboxName;                 // Save Current: the previewed mailbox, as found
    std::vector<std::wstring> tickedFolders;  // Save Current: "mailbox\folder\..."
};

struct SaveEnvironment {
    convert::ExchangeFactory openExchange;
    mailbox::ScanToken* token = nullptr;           // not owned
    ControlUpdates* display = nullptr;             // not owned
    std::function<void()> notifyPage;              // the page has updates to take
    std::function<void(const std::wstring&)> log;  // one activity log entry
};

convert::SaveAllOutcome SaveAllWorker(const SaveJob& job, const SaveEnvironment& environment);
convert::SaveAllOutcome SaveCurrentWorker(const SaveJob& job, const SaveEnvironment& environment);

// What the page and the log say about a run that did not fully succeed; empty when it did.
std::wstring FailureSummary(const convert::SaveAllOutcome& outcome);
