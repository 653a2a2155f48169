#include "convert/SaveWorkers.h"

#include <algorithm>

#include "convert/FileSaveRes.h"
#include "logtext/LogText.h"

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

convert::TransferServices MakeServices(const SaveEnvironment& environment, PageObserver& observer) {
    convert::TransferServices services;
    services.openExchange = environment.openExchange;
    services.token = environment.token;
    services.observer = &observer;
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
    std::wstring text = outcome.destinationFull ? L"Saving stopped: the destination disk is full."
                        : outcome.stopped        ? L"Saving stopped."
                                                 : L"Saving finished with errors.";
    for (const convert::MailboxResult& result : outcome.mailboxes)
        if (!result.Succeeded()) text += L"\r\n" + convert::ResultText(result);
    return text;
}

convert::SaveAllOutcome SaveAllWorker(const SaveJob& job, const SaveEnvironment& environment) {
    for (const wchar_t* entry :
         {L"\r\n", L"\r\n", kStepFour.c_str(), L"\r\n", L"\r\n", L"Destination Files Path:", L"\r\n", L"\r\n"})
        environment.log(entry);

    PageObserver observer(job, environment);
    convert::SaveAllRequest request;
    request.destination = job.destination;
    request.mailboxes = job.mailboxes;
    request.skipAnalysis = job.skipAnalysis;
    convert::SaveAllOutcome outcome =
        convert::RunSaveAll(request, {job.sourcePath, std::nullopt}, MakeServices(environment, observer));
    LogFailures(outcome, environment);
    return outcome;
}

convert::SaveAllOutcome SaveCurrentWorker(const SaveJob& job, const SaveEnvironment& environment) {
    for (const wchar_t* entry : {L"\r\n", L"\r\n", kStepFour.c_str(), L"\r\n", L"\r\n", L"Destination Path :"})
        environment.log(entry);

    PageObserver observer(job, environment);
    observer.Text(IDC_SAVE_RESULT_FOLDER, job.destination);
    observer.Text(IDC_SAVE_SOURCE_PATH, job.shownSourcePath);
    observer.Text(IDC_SAVE_MAILBOX_NAME, job.mailboxName);

    convert::SaveCurrentRequest request;
    request.runFolder = job.destination;
    request.mailboxName = job.mailboxName;
    request.tickedFolders = job.tickedFolders;
    request.skipAnalysis = job.skipAnalysis;
    convert::SaveAllOutcome outcome =
        convert::RunSaveCurrent(request, {job.sourcePath, std::nullopt}, MakeServices(environment, observer));
    if (outcome.refusal.empty()) {
        environment.log(L"\r\n");
        environment.log(job.destination);
    }
    LogFailures(outcome, environment);
    return outcome;
}
