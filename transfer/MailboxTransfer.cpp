#include "transfer/MailboxTransfer.h"

#include <algorithm>
#include <filesystem>

#include "scan/HeaderScan.h"
#include "scan/SubjectText.h"
#include "transfer/SystemPath.h"

namespace convert {
namespace {

const wchar_t* const kStandardFolders[] = {
    L"Top of Information Store",
    L"Inbox",
    L"Outbox",
    L"Sent Items",
    L"Drafts",
    L"Calendar",
    L"Contacts",
    L"Tasks",
    L"Journal",
    L"Junk E-mail",
    L"Notes",
};

// Shown on the page when met in a ticked path; only "Inbox" is filled.
const wchar_t* const kShownFolders[] = {
    L"Outbox", L"Sent Items", L"Deleted Items", L"Drafts", L"Junk E-mail", L"Calendar", L"Contacts", L"Task",
};

bool IsSuccess(const std::wstring& answer) { return answer.compare(0, 2, L"OK") == 0; }

}  // namespace

std::wstring ResultText(const MailboxResult& result) {
    std::wstring text = result.name + L": " + std::to_wstring(result.found) + L" messages found, " +
                        std::to_wstring(result.stored) + L" stored, " + std::to_wstring(result.failed) + L" failed";
    if (result.stopped) text += L"; stopped by the user";
    for (const std::wstring& problem : result.problems) text += L"; " + problem;
    return text;
}

CMailboxTransfer::CMailboxTransfer(const TransferServices& services, const TransferSource& source)
    : m_services(services), m_source(source) {}

void CMailboxTransfer::AddProblem(const std::wstring& text) {
    if (std::find(m_result.problems.begin(), m_result.problems.end(), text) == m_result.problems.end())
        m_result.problems.push_back(text);
}

bool CMailboxTransfer::CreateMailboxPst(const std::wstring& folder, const std::wstring& nameAsFound,
                                        const std::wstring& safeName) {
    m_result = {};
    m_messageProblemNoted = false;
    m_result.name = nameAsFound;
    m_result.safeName = safeName;
    const std::wstring dateText = DateText(m_services.clock());
    m_result.displayName = PstDisplayName(safeName, dateText);
    m_result.pstPath = PstFilePath(folder, m_result.displayName);
    if (m_result.pstPath.size() > kMaxPathUnits) {
        AddProblem(L"the PST file's path would be longer than " + std::to_wstring(kMaxPathUnits) + L" characters: " +
                   m_result.pstPath);
        return false;
    }
    // The component would open a store it wrote before and add to it: a
    // second run in the same minute would store every message twice.
    std::error_code ignored;
    if (std::filesystem::exists(ToSystemPath(m_result.pstPath), ignored)) {
        AddProblem(L"a file already exists at " + m_result.pstPath + L"; it was left as it is");
        return false;
    }
    std::unique_ptr<components::IMailParserComponent> component = m_services.openExchange();
    if (!component) {
        AddProblem(L"the mail parser component cannot be created");
        return false;
    }
    std::wstring answer = component->CreateStore(m_result.pstPath, m_result.displayName);
    if (!IsSuccess(answer)) {
        AddProblem(L"the PST file " + m_result.pstPath + L" was not created: " + answer);
        return false;
    }
    m_result.storeCreated = true;
    return true;
}

void CMailboxTransfer::SaveStandardFolders() {
    if (!m_result.storeCreated) return;
    for (const wchar_t* name : kStandardFolders) {
        if (Stopping()) {
            m_result.stopped = true;
            return;
        }
        m_pstFolderPath = m_result.displayName + L"\\" + name;
        CreateFolderPath(m_pstFolderPath);
        m_services.observer->OnFolder(name);
        if (std::wstring(name) == L"Inbox") ImportMessagesFromSource();
    }
}

void CMailboxTransfer::SaveCheckedFolders(std::vector<std::wstring>& tickedPaths, const std::wstring& mailboxName) {
    while (!tickedPaths.empty() && m_result.storeCreated && !Stopping()) {
        std::wstring ticked = tickedPaths.front();
        tickedPaths.erase(tickedPaths.begin());
        // The mailbox part is replaced by the display name. A name as found may
        // itself hold backslashes, so it is matched whole before falling back
        // to the first component.
        std::wstring rest;
        if (ticked.compare(0, mailboxName.size() + 1, mailboxName + L"\\") == 0)
            rest = ticked.substr(mailboxName.size());
        else
            rest = ticked.find(L'\\') == std::wstring::npos ? L"" : ticked.substr(ticked.find(L'\\'));
        std::wstring path = m_result.displayName + rest;
        if (!path.empty() && path.back() == L'\\') path.pop_back();

        std::unique_ptr<components::IMailParserComponent> component = m_services.openExchange();
        if (!component) {
            AddProblem(L"the mail parser component cannot be created");
            return;
        }
        const size_t levels = CountBackslashes(path);
        std::wstring accumulated = L"\\\\" + PathComponent(path, 0);
        for (size_t n = 1; n <= levels; ++n) {
            const std::wstring name = PathComponent(path, n);
            accumulated += L"\\" + name;
            std::wstring answer = component->CreateFolder(accumulated);
            if (!IsSuccess(answer)) AddProblem(L"the folder " + accumulated + L" was not created: " + answer);
            if (name == L"Inbox") {
                // The messages go to the deepest folder of the path, before its
                // levels below "Inbox" exist: the component creates them.
                m_pstFolderPath = path;
                m_services.observer->OnFolder(name);
                ImportMessagesFromSource();
            } else if (std::find(std::begin(kShownFolders), std::end(kShownFolders), name) != std::end(kShownFolders)) {
                m_services.observer->OnFolder(name);
            }
        }
    }
    if (Stopping()) m_result.stopped = true;
}

void CMailboxTransfer::CreateFolderPath(const std::wstring& path) {
    std::unique_ptr<components::IMailParserComponent> component = m_services.openExchange();
    if (!component) {
        AddProblem(L"the mail parser component cannot be created");
        return;
    }
    const size_t levels = CountBackslashes(path);
    std::wstring accumulated = L"\\\\" + PathComponent(path, 0);
    for (size_t n = 1; n <= levels; ++n) {
        accumulated += L"\\" + PathComponent(path, n);
        std::wstring answer = component->CreateFolder(accumulated);
        if (!IsSuccess(answer)) AddProblem(L"the folder " + accumulated + L" was not created: " + answer);
    }
}

void CMailboxTransfer::ImportMessagesFromSource() {
    std::unique_ptr<components::IMailParserComponent> component = m_services.openExchange();
    if (!component) {
        AddProblem(L"the mail parser component cannot be created");
        return;
    }
    const std::optional<uint64_t> expected = m_source.headerCount;
    m_services.observer->OnMessage(0, expected);

    mailbox::ScanError error;
    std::unique_ptr<mailbox::SourceFile> file = m_services.openSource(m_source.path, error);
    if (!file) {
        AddProblem(L"the source " + error.Message());
        return;
    }
    const uint64_t length = file->Length();
    mailbox::HeaderScanEnd end =
        mailbox::ForEachHeader(*file, *m_services.token, nullptr, [&](const mailbox::HeaderMarker& marker) {
            const uint64_t number = marker.number + 1;
            unsigned percent = 0;
            if (expected && *expected > 0)
                percent = static_cast<unsigned>(std::min<uint64_t>(number * 100 / *expected, 100));
            else if (length > 0)
                percent = static_cast<unsigned>(marker.offset * 100 / length);
            m_services.observer->OnProgress(percent);
            m_services.observer->OnMessage(number, expected);
            ImportOne(*component, number, marker.text, marker.TextSize());
            return true;
        });
    m_services.tempFolder->Remove();
    if (end.error) AddProblem(L"the source " + end.error.Message() + L"; the messages before stay stored");
    if (end.stopped) m_result.stopped = true;
}

bool CMailboxTransfer::ImportOne(components::IMailParserComponent& component, uint64_t number, const uint8_t* text,
                                 size_t size) {
    ++m_result.found;
    auto fail = [&](const std::wstring& why) {
        ++m_result.failed;
        // The first refusal says why; later ones only count, so a full disk
        // does not give thousands of identical sentences.
        if (!m_messageProblemNoted) AddProblem(L"message " + std::to_wstring(number) + L" was not stored: " + why);
        m_messageProblemNoted = true;
        return false;
    };
    std::wstring writeError;
    std::wstring emlPath = m_services.tempFolder->Write(number, MessageFileBytes(text, size), writeError);
    if (emlPath.empty()) return fail(writeError);

    components::MessageImportArguments arguments;
    arguments.folderPath = L"\\\\" + m_pstFolderPath;
    arguments.messageText = m_services.codePage->Decode(text, size);
    arguments.attachmentName = mailbox::SubjectText(arguments.messageText);
    arguments.owner = L"Admin";
    arguments.emlPath = emlPath;
    arguments.sourceTimeText = m_source.timeText;
    // The file stays until the next message takes it over (or the scan
    // ends): one rename then instead of a deletion and a new file.
    std::wstring answer = component.ImportMessage(arguments);
    if (!IsSuccess(answer)) return fail(answer);
    ++m_result.stored;
    return true;
}

}  // namespace convert
