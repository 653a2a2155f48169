#include "transfer/SaveAllRun.h"

#include <algorithm>

#include "paths/SafeName.h"

namespace convert {
namespace {

// "31-12-2026 23-59": the date text is taken afresh for each name, so room
// is kept for its longest form.
constexpr size_t kLongestDateText = 16;
// Below this a name would be cut beyond recognition.
constexpr size_t kShortestUsableName = 8;

size_t Length(const wchar_t* text) { return std::char_traits<wchar_t>::length(text); }

}  // namespace

bool SaveAllOutcome::Succeeded() const {
    return refusal.empty() && !stopped &&
           std::all_of(mailboxes.begin(), mailboxes.end(), [](const MailboxResult& r) { return r.Succeeded(); });
}

size_t MailboxNameBudget(const SaveAllRequest& request, const std::wstring& sourceFileName) {
    const size_t destination = request.destination.size() + 1;
    const size_t pstFileFixed = Length(L"Korvane-EDB-PST-") + kLongestDateText + Length(L".pst");
    size_t fixed, copies;
    if (request.skipAnalysis) {
        fixed = destination + Length(L"Korvane_Converted_") + sourceFileName.size() + kLongestDateText + 1 + 1 +
                pstFileFixed;
        copies = 2;  // the mailbox's folder and its file
    } else {
        fixed = destination + Length(L"Korvane-EDB-PST") + kLongestDateText + 1 + pstFileFixed;
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
        outcome.refusal = L"the destination folder \"" + request.destination +
                          L"\" is too long: the PST files' paths would pass " + std::to_wstring(kMaxPathUnits) +
                          L" characters. Choose a shorter destination.";
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
        if (transfer.Result().stopped) {
            outcome.stopped = true;
            break;
        }
    }
    return outcome;
}

}  // namespace convert
