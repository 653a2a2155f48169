#pragma once
// The mailbox scan: every distinct name that follows the mailbox marker, in
// the order found (block rules in BlockScan.h).
#include <functional>
#include <string>
#include <vector>

#include "scan/BlockScan.h"
#include "text/CodePage.h"

namespace mailbox {

struct MailboxScanResult {
    std::vector<std::wstring> names;
    uint64_t sourceLength = 0;
    bool stopped = false;
    ScanError error;  // a read that failed part way; names holds what came before
};

struct MailboxScanCallbacks {
    std::function<void(const std::wstring& name)> onMailbox;  // each new name, as found
    ProgressFn onProgress;
};

MailboxScanResult ScanMailboxes(SourceFile& file, const CodePage& codePage, ScanToken& token,
                                const MailboxScanCallbacks& callbacks = {});

}  // namespace mailbox
