#pragma once
// One mailbox into one PST file, over the mail parser component: the store,
// its folders, and every message header of the source handed over as a
// temporary message file for the inbox.
//
// GUARANTEES
//  - Every "Content-Type" marker of the source, under the scanners' block
//    rules (scan/BlockScan.h), is offered to the component, the last one
//    included; the expected total shown is the true number of markers.
//  - The component commits each call, so a stop, a kill or a full disk leaves
//    a PST holding the folders and a prefix of the messages, which every
//    reader opens. A component that takes several messages per call (its
//    Batching()) gets them in batches, with the bytes of each message in
//    memory and no message file; elsewhere one message per call. A stop takes
//    effect after the message or batch being handed over: the messages
//    already offered are handed over first.
//  - Nothing is reported as done that was not: a store that cannot be
//    created, a source that cannot be opened or read, a source that changes
//    (in size or last-write time) while it is converted, and a message the
//    component refuses are each counted and described in the result.
//  - A full destination ends the transfer at the refusal it caused: no
//    further message is offered, and what was stored stays in a committed
//    store.
//  - Paths are made only from safe names (SafeName.h) and stay within
//    kMaxPathUnits; a path that would not is refused, not cut.
// ORDER per mailbox: CreateMailboxPst, then the folder walk, during which the
// inbox scan runs once for each "Inbox" level met.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "components/MailParserComponent.h"
#include "scan/HeaderScan.h"
#include "scan/ScanToken.h"
#include "scan/SourceFile.h"
#include "text/CodePage.h"
#include "transfer/MessageFile.h"
#include "transfer/OutputNames.h"

namespace convert {

// A new component instance for one exchange; null when none can be created.
using ExchangeFactory = std::function<std::unique_ptr<components::IMailParserComponent>()>;
// The bytes free for this process on the volume holding `folder` (or its
// nearest existing parent); none when it cannot be told.
using FreeSpaceProbe = std::function<std::optional<uint64_t>(const std::wstring& folder)>;
std::optional<uint64_t> VolumeFreeSpace(const std::wstring& folder);
using SourceOpener =
    std::function<std::unique_ptr<mailbox::SourceFile>(const std::wstring& path, mailbox::ScanError& error)>;

// What the conversion page shows; every call comes from the working thread.
class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    virtual void OnMailbox(size_t /*number*/, size_t /*count*/, const std::wstring& /*name*/,
                           const std::wstring& /*folder*/) {}
    virtual void OnFolder(const std::wstring& /*name*/) {}
    // expectedTotal: the source's marker count; none when the analysis was skipped.
    virtual void OnMessage(uint64_t /*number*/, std::optional<uint64_t> /*expectedTotal*/) {}
    virtual void OnProgress(unsigned /*percent*/) {}
    // One activity log entry, as the page appends it.
    virtual void OnLog(const std::wstring& /*entry*/) {}
};

// What a transfer works with; the pointers are borrowed (not owned) and must
// outlive the transfer.
struct TransferServices {
    ExchangeFactory openExchange;
    SourceOpener openSource;
    const mailbox::CodePage* codePage = nullptr;
    mailbox::ScanToken* token = nullptr;
    TransferObserver* observer = nullptr;
    TempMessageFolder* tempFolder = nullptr;
    std::function<LocalTime()> clock = CurrentLocalTime;
    FreeSpaceProbe freeSpace = VolumeFreeSpace;
};

struct TransferSource {
    std::wstring path;                    // the source actually converted
    std::optional<uint64_t> headerCount;  // markers counted by the analysis; none when it was skipped
    std::wstring timeText;                // SourceFileTimeText of the path
    std::optional<mailbox::SourceStamp> stamp;  // the source when the run began; none: not known
};

struct MailboxResult {
    std::wstring name;  // as found in the source
    std::wstring safeName;
    std::wstring displayName;  // of the store
    std::wstring pstPath;
    bool storeCreated = false;
    uint64_t found = 0;   // markers offered
    uint64_t stored = 0;  // messages the component stored
    uint64_t failed = 0;  // messages not stored
    bool stopped = false;
    bool destinationFull = false;        // the run ended here for want of room
    std::vector<std::wstring> problems;  // one sentence each, the first of every kind

    bool Succeeded() const {
        return storeCreated && failed == 0 && !stopped && !destinationFull && problems.empty();
    }
};

// "NAME: N messages found, N stored, N failed" and the problems, for the log and the console.
std::wstring ResultText(const MailboxResult& result);

class CMailboxTransfer {
public:
    CMailboxTransfer(const TransferServices& services, const TransferSource& source);

    // Names the store after `safeName` in `folder` and creates it; false (with
    // the reason in the result) when it cannot be created.
    bool CreateMailboxPst(const std::wstring& folder, const std::wstring& nameAsFound, const std::wstring& safeName);
    // The Save All folder set, every folder a child of the store's root.
    void SaveStandardFolders();
    // The folders ticked on the preview page, each "mailbox\folder\...";
    // `mailboxName` is the name as found, which the paths begin with.
    void SaveCheckedFolders(std::vector<std::wstring>& tickedPaths, const std::wstring& mailboxName);
    // Every level of "display name\A\B", parent first.
    void CreateFolderPath(const std::wstring& path);
    // Scans the source and imports every message into the current folder path.
    void ImportMessagesFromSource();

    const MailboxResult& Result() const { return m_result; }

private:
    bool Stopping() const { return m_services.token->StopRequested(); }
    bool Ended() const { return m_result.destinationFull || Stopping(); }
    void AddProblem(const std::wstring& text);
    // After a refusal: whether the destination has run out of room, noted in
    // the result when it has. `needed`: the bytes the refused call wrote at most.
    bool DestinationFull(size_t needed);
    void CheckSourceUnchanged(const mailbox::SourceStamp& opened, const mailbox::SourceStamp& closed,
                              const mailbox::HeaderScanEnd& end);
    components::MessageImportArguments Arguments(const uint8_t* text, size_t size) const;
    bool ImportOne(components::IMailParserComponent& component, uint64_t number, const uint8_t* text, size_t size);
    // Messages offered and not yet handed over, for one ImportMessages call.
    struct Batch {
        std::vector<components::MessageImportArguments> messages;
        size_t bytes = 0;
        uint64_t firstNumber = 0;
    };
    // Hands the batch over and empties it; on a refusal without a full disk
    // each of its messages is tried on its own, so one bad message costs no
    // other. False once the destination is full.
    bool ImportBatch(components::IMailParserComponent& component, Batch& batch);
    void CountFailed(uint64_t number, const std::wstring& why, uint64_t count = 1);

    TransferServices m_services;
    TransferSource m_source;
    MailboxResult m_result;
    std::wstring m_pstFolderPath;  // display name\folder\...
    bool m_messageProblemNoted = false;
};

}  // namespace convert
