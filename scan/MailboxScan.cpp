#include "scan/MailboxScan.h"

#include "scan/MailboxNames.h"
#include "scan/PatternFinder.h"

namespace mailbox {

MailboxScanResult ScanMailboxes(SourceFile& file, const CodePage& codePage, ScanToken& token,
                                const MailboxScanCallbacks& callbacks) {
    static const PatternFinder finder(std::string(kMailboxMarker, 7));
    MailboxNameList names(codePage);
    MailboxScanResult result;
    result.sourceLength = file.Length();
    bool stopped = false;
    ScanOutcome outcome =
        ScanBlocks(file, token, callbacks.onProgress, [&](uint64_t, const uint8_t* block, size_t size) {
            for (size_t p = finder.Find(block, size, 0); p != PatternFinder::kNotFound;
                 p = finder.Find(block, size, p + 1)) {
                std::wstring name = MailboxNameFromText(codePage.Decode(block + p, TextLengthAt(block, size, p)));
                if (names.Add(name) && callbacks.onMailbox) callbacks.onMailbox(name);
                token.WaitWhilePaused();
                if (token.StopRequested()) {
                    stopped = true;
                    return false;
                }
            }
            return true;
        });
    result.names = names.Names();
    result.stopped = stopped || outcome.end == ScanOutcome::End::Stopped;
    result.error = outcome.error;
    return result;
}

}  // namespace mailbox
