#include "convert/SaveWorkers.h"

#include <algorithm>

#include "convert/FileSaveRes.h"
#include "logtext/LogText.h"
#include "paths/SafeName.h"
#include "scan/HeaderCountMemo.h"
#include "scan/HeaderScan.h"
#include "text/CodePage.h"
#include "transfer/MessageFile.h"
#include "transfer/SourceTimeText.h"
#include "transfer/SystemPath.h"

namespace {

const std::wstring kStepFour = logtext::SavingStepBanner();

// Shows the transfer's progress on the page.
class PageObserver final : public convert::TransferObserver {
public:
    PageObserver(const SaveJob& job, const SaveEnvironment& environment) : m_job(job), m_env(environment) {}

    void OnMailbox(size_t number, size_t count, const std::wstring& name, const std::wstring& folder) override {
        // A one-mailbox Save All leaves the Overall bar where it is; with more,
        // it shows the share of mailboxes begun and never reaches 100.
        if (count > 1 || m_job.skipAnalysis) Bar(IDC_SAVE_OVERALL_BAR, static_cast<int>((number - 1) * 100 / count));
        Text(IDC_SAVE_MAILBOX_NUMBER, std::to_wstring(count > 1 || m_job.skipAnalysis ? number : 1));
        Text(IDC_SAVE_MAILBOX_COUNT, std::to_wstring(count));
        Text(IDC_SAVE_RESULT_FOLDER, folder);
        Text(IDC_SAVE_SOURCE_PATH, m_job.shownSourcePath);
        Text(IDC_SAVE_MAILBOX_NAME, name);
        Text(IDC_SAVE_MESSAGE_NUMBER, L"0");
        Bar(IDC_SAVE_CURRENT_BAR, 0);
    }
    void OnFolder(const std::wstring& name) override { Text(IDC_SAVE_CURRENT_FOLDER, name); }
    void OnMessage(uint64_t number, std::optional<uint64_t> expectedTotal) override {
        if (expectedTotal) Text(IDC_SAVE_MESSAGE_TOTAL, std::to_wstring(*expectedTotal));
        if (number == 0) return;
        Text(IDC_SAVE_MESSAGE_NUMBER, std::to_wstring(number));
        Text(IDC_SAVE_MESSAGE_COPY, std::to_wstring(number));
    }
    void OnProgress(unsigned percent) override {
        Bar(IDC_SAVE_CURRENT_BAR, static_cast<int>(percent));
        if (m_job.saveCurrent) Bar(IDC_SAVE_OVERALL_BAR, static_cast<int>(percent));
    }
    void OnLog(const std::wstring& entry) override { m_env.log(entry); }

    void Text(int id, std::wstring text) {
        if (m_env.display->SetText(id, std::move(text))) m_env.notifyPage();
    }
    void Bar(int id, int position) {
        if (m_env.display->SetBar(id, position)) m_env.notifyPage();
    }

private:
    const SaveJob& m_job;
    const SaveEnvironment& m_env;
};

// The source's true header count, for the expected total; none when the
// analysis was skipped (the run then shows no total) or the source cannot be
// read (the transfer itself reports that).
convert::TransferSource MakeSource(const SaveJob& job, mailbox::ScanToken& token) {
    convert::TransferSource source;
    source.path = job.sourcePath;
    source.timeText = convert::SourceFileTimeText(job.sourcePath);
    if (job.skipAnalysis) return source;
    const std::filesystem::path path = convert::ToSystemPath(job.sourcePath);
    // The analysis has counted an unchanged source already.
    if ((source.headerCount = mailbox::RememberedHeaderCount(path))) return source;
    mailbox::ScanError error;
    std::unique_ptr<mailbox::SourceFile> file = mailbox::OpenSourceFile(path, error);
    if (!file) return source;
    mailbox::HeaderScanEnd counted =
        mailbox::ForEachHeader(*file, token, nullptr, [](const mailbox::HeaderMarker&) { return true; });
    if (!counted.error && !counted.stopped) {
        source.headerCount = counted.markers;
        mailbox::RememberHeaderCount(path, counted.markers);
    }
    return source;
}

convert::TransferServices MakeServices(const SaveEnvironment& environment, PageObserver& observer,
                                       convert::TempMessageFolder& tempFolder) {
    convert::TransferServices services;
    services.openExchange = environment.openExchange;
    services.openSource = [](const std::wstring& path, mailbox::ScanError& error) {
        return mailbox::OpenSourceFile(convert::ToSystemPath(path), error);
    };
    services.codePage = &mailbox::SystemCodePage();
    services.token = environment.token;
    services.observer = &observer;
    services.tempFolder = &tempFolder;
    return services;
}

void LogFailures(const convert::SaveAllOutcome& outcome, const SaveEnvironment& environment) {
    const std::wstring summary = FailureSummary(outcome);
    if (summary.empty()) return;
    environment.log(L"\r\n");
    environment.log(L"\r\n");
    environment.log(summary);
}

}  // namespace

std::wstring FailureSummary(const convert::SaveAllOutcome& outcome) {
    if (outcome.Succeeded()) return {};
    if (!outcome.refusal.empty()) return L"Saving failed: " + outcome.refusal;
    std::wstring text = outcome.stopped ? L"Saving stopped." : L"Saving finished with errors.";
    for (const convert::MailboxResult& result : outcome.mailboxes)
        if (!result.Succeeded()) text += L"\r\n" + convert::ResultText(result);
    return text;
}

convert::SaveAllOutcome SaveAllWorker(const SaveJob& job, const SaveEnvironment& environment) {
    for (const wchar_t* entry :
         {L"\r\n", L"\r\n", kStepFour.c_str(), L"\r\n", L"\r\n", L"Destination Files Path:", L"\r\n", L"\r\n"})
        environment.log(entry);

    convert::SaveAllOutcome outcome;
    convert::TransferSource source = MakeSource(job, *environment.token);
    std::wstring tempError;
    std::unique_ptr<convert::TempMessageFolder> tempFolder = convert::TempMessageFolder::Create(tempError);
    if (!tempFolder) {
        outcome.refusal = tempError;
    } else {
        PageObserver observer(job, environment);
        convert::SaveAllRequest request;
        request.destination = job.destination;
        request.mailboxes = job.mailboxes;
        request.skipAnalysis = job.skipAnalysis;
        outcome = convert::SaveAllMailboxes(request, MakeServices(environment, observer, *tempFolder), source);
    }
    LogFailures(outcome, environment);
    return outcome;
}

convert::SaveAllOutcome SaveCurrentWorker(const SaveJob& job, const SaveEnvironment& environment) {
    for (const wchar_t* entry : {L"\r\n", L"\r\n", kStepFour.c_str(), L"\r\n", L"\r\n", L"Destination Path :"})
        environment.log(entry);

    convert::SaveAllOutcome outcome;
    PageObserver observer(job, environment);
    observer.Text(IDC_SAVE_RESULT_FOLDER, job.destination);
    observer.Text(IDC_SAVE_SOURCE_PATH, job.shownSourcePath);
    observer.Text(IDC_SAVE_MAILBOX_NAME, job.mailboxName);

    convert::TransferSource source = MakeSource(job, *environment.token);
    // The run folder takes the place of Save All's run folder in the length budget.
    convert::SaveAllRequest sizing;
    sizing.destination = job.destination;
    const size_t budget = convert::MailboxNameBudget(sizing, convert::FileNamePart(job.sourcePath));
    std::wstring tempError;
    std::unique_ptr<convert::TempMessageFolder> tempFolder;
    if (budget == 0)
        outcome.refusal = L"the destination folder \"" + job.destination +
                          L"\" is too long for the PST file's path. Choose a shorter destination.";
    else if (!(tempFolder = convert::TempMessageFolder::Create(tempError)))
        outcome.refusal = tempError;

    if (outcome.refusal.empty()) {
        convert::CMailboxTransfer transfer(MakeServices(environment, observer, *tempFolder), source);
        std::vector<std::wstring> ticked = job.tickedFolders;
        if (transfer.CreateMailboxPst(job.destination, job.mailboxName, convert::SafeFileName(job.mailboxName, budget)))
            transfer.SaveCheckedFolders(ticked, job.mailboxName);
        environment.log(L"\r\n");
        environment.log(job.destination);
        outcome.mailboxes.push_back(transfer.Result());
        outcome.stopped = transfer.Result().stopped;
    }
    LogFailures(outcome, environment);
    return outcome;
}
