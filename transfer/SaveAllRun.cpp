#include "transfer/SaveAllRun.h"

#include <algorithm>

#include "paths/SafeName.h"
#include "scan/HeaderCountMemo.h"
#include "transfer/OutputNames.h"
#include "transfer/SourceTimeText.h"
#include "transfer/SystemPath.h"

namespace convert {
namespace {

// Below this a name would be cut beyond recognition.
constexpr size_t kShortestUsableName = 8;

size_t Length(const wchar_t* text) { return std::char_traits<wchar_t>::length(text); }

// The source's time text, its state now and its true header count (none when
// the analysis was skipped, or the source cannot be read: the transfer itself
// reports that).
TransferSource DescribeSource(const RunSource& run, bool skipAnalysis, const TransferServices& services) {
    TransferSource source;
    source.path = run.path;
    source.timeText = SourceFileTimeText(run.path);
    source.headerCount = skipAnalysis ? std::nullopt : run.headerCount;
    mailbox::ScanError error;
    std::unique_ptr<mailbox::SourceFile> file = services.openSource(run.path, error);
    if (!file) return source;
    source.stamp = file->Stamp();
    if (skipAnalysis || source.headerCount) return source;
    const std::filesystem::path path = ToSystemPath(run.path);
    // The analysis has counted an unchanged source already.
    if ((source.headerCount = mailbox::RememberedHeaderCount(path))) return source;
    mailbox::HeaderScanEnd counted =
        mailbox::ForEachHeader(*file, *services.token, nullptr, [](const mailbox::HeaderMarker&) { return true; });
    if (!counted.error && !counted.stopped) {
        source.headerCount = counted.markers;
        mailbox::RememberHeaderCount(path, counted.markers);
    }
    return source;
}

// The defaults a caller may leave out; false with the reason when the run's
// temporary folder cannot be made.
bool Complete(TransferServices& services, std::unique_ptr<TempMessageFolder>& tempFolder, std::wstring& refusal) {
    if (!services.openSource)
        services.openSource = [](const std::wstring& path, mailbox::ScanError& error) {
            return mailbox::OpenSourceFile(ToSystemPath(path), error);
        };
    if (!services.codePage) services.codePage = &mailbox::SystemCodePage();
    if (!services.tempFolder) {
        if (!(tempFolder = TempMessageFolder::Create(refusal))) return false;
        services.tempFolder = tempFolder.get();
    }
    return true;
}

std::wstring TooLong(const std::wstring& destination) {
    return L"the destination folder \"" + destination + L"\" is too long: the PST files' paths would pass " +
           std::to_wstring(kMaxPathUnits) + L" characters. Choose a shorter destination.";
}

}  // namespace

bool SaveAllOutcome::Succeeded() const {
    return refusal.empty() && !stopped &&
           std::all_of(mailboxes.begin(), mailboxes.end(), [](const MailboxResult& r) { return r.Succeeded(); });
}

size_t MailboxNameBudget(const SaveAllRequest& request, const std::wstring& sourceFileName) {
    const size_t destination = request.destination.size() + 1;
    const size_t pstFileFixed = Length(kPstNamePrefix) + kLongestDateText + Length(kPstExtension);
    size_t fixed, copies;
    if (request.skipAnalysis) {
        fixed = destination + Length(kSkipAnalysisFolderPrefix) + sourceFileName.size() + kLongestDateText + 1 + 1 +
                pstFileFixed;
        copies = 2;  // the mailbox's folder and its file
    } else {
        fixed = destination + Length(kSaveAllRunFolderPrefix) + kLongestDateText + 1 + pstFileFixed;
        copies = 1;
    }
    if (fixed >= kMaxPathUnits) return 0;
    size_t budget = std::min((kMaxPathUnits - fixed) / copies, kMaxSafeNameLength);
    return budget < kShortestUsableName ? 0 : budget;
}

SaveAllOutcome SaveAllMailboxes(const SaveAllRequest& request, const TransferServices& services,
                                const TransferSource& source) {
    SaveAllOutcome outcome;
    const std::wstring sourceFileName = FileNamePart(source.path);
    const size_t budget = MailboxNameBudget(request, sourceFileName);
    if (budget == 0) {
        outcome.refusal = TooLong(request.destination);
        outcome.destinationRefused = true;
        return outcome;
    }

    SafeNameSet names;
    std::wstring runFolder;
    const size_t count = request.mailboxes.size();
    for (size_t k = 0; k < count; ++k) {
        if (services.token->StopRequested()) {
            outcome.stopped = true;
            break;
        }
        const std::wstring& name = request.mailboxes[k];
        const std::wstring safeName = names.Claim(name, budget);
        std::wstring folder;
        if (request.skipAnalysis) {
            folder =
                SkipAnalysisMailboxFolder(request.destination, sourceFileName, DateText(services.clock()), safeName);
        } else {
            if (runFolder.empty()) runFolder = SaveAllRunFolder(request.destination, DateText(services.clock()));
            folder = runFolder;
        }
        services.observer->OnMailbox(k + 1, count, name, folder);

        CMailboxTransfer transfer(services, source);
        if (!request.skipAnalysis) services.observer->OnLog(L"\r\n");
        services.observer->OnLog(folder);
        if (transfer.CreateMailboxPst(folder, name, safeName)) transfer.SaveStandardFolders();
        if (!request.skipAnalysis) services.observer->OnLog(folder);
        outcome.mailboxes.push_back(transfer.Result());
        outcome.destinationFull = transfer.Result().destinationFull;
        outcome.stopped = transfer.Result().stopped;
        if (outcome.stopped || outcome.destinationFull) break;
    }
    return outcome;
}

SaveAllOutcome RunSaveAll(const SaveAllRequest& request, const RunSource& source, TransferServices services) {
    SaveAllOutcome outcome;
    std::unique_ptr<TempMessageFolder> tempFolder;
    if (!Complete(services, tempFolder, outcome.refusal)) return outcome;
    return SaveAllMailboxes(request, services, DescribeSource(source, request.skipAnalysis, services));
}

SaveAllOutcome RunSaveCurrent(const SaveCurrentRequest& request, const RunSource& source, TransferServices services) {
    SaveAllOutcome outcome;
    // The run folder takes the place of Save All's run folder in the length budget.
    SaveAllRequest sizing;
    sizing.destination = request.runFolder;
    const size_t budget = MailboxNameBudget(sizing, FileNamePart(source.path));
    if (budget == 0) {
        outcome.refusal = TooLong(request.runFolder);
        outcome.destinationRefused = true;
        return outcome;
    }
    std::unique_ptr<TempMessageFolder> tempFolder;
    if (!Complete(services, tempFolder, outcome.refusal)) return outcome;
    CMailboxTransfer transfer(services, DescribeSource(source, request.skipAnalysis, services));
    std::vector<std::wstring> ticked = request.tickedFolders;
    if (transfer.CreateMailboxPst(request.runFolder, request.mailboxName, SafeFileName(request.mailboxName, budget)))
        transfer.SaveCheckedFolders(ticked, request.mailboxName);
    outcome.mailboxes.push_back(transfer.Result());
    outcome.stopped = transfer.Result().stopped;
    outcome.destinationFull = transfer.Result().destinationFull;
    return outcome;
}

}  // namespace convert
