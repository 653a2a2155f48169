#include "transfer/MailboxTransfer.h"

#include <algorithm>
#include <filesystem>
#include <utility>

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

// A refusal with at least this much room left beyond twice the message had
// another cause than a full disk: the engine writes a message's blocks and a
// few pages of its own, and grows the file by far less than this.
constexpr uint64_t kRoomForOneMessage = 4u << 20;

std::wstring FolderPart(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

std::optional<uint64_t> VolumeFreeSpace(const std::wstring& folder) {
    std::filesystem::path at = ToSystemPath(folder);
    std::error_code code;
    while (!at.empty() && !std::filesystem::exists(at, code)) {
        if (at == at.parent_path()) break;
        at = at.parent_path();
    }
    if (at.empty()) at = std::filesystem::current_path(code);
    const std::filesystem::space_info space = std::filesystem::space(at, code);
    if (code) return std::nullopt;
    return static_cast<uint64_t>(space.available);
}

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
    const components::ComponentAnswer answer = component->CreateStore(m_result.pstPath, m_result.displayName);
    if (!answer.ok) {
        AddProblem(L"the PST file " + m_result.pstPath + L" was not created: " + answer.text);
        DestinationFull(0);
        return false;
    }
    m_result.storeCreated = true;
    return true;
}

void CMailboxTransfer::SaveStandardFolders() {
    if (!m_result.storeCreated) return;
    for (const wchar_t* name : kStandardFolders) {
        if (m_result.destinationFull) return;
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
    while (!tickedPaths.empty() && m_result.storeCreated && !Ended()) {
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
        for (size_t n = 1; n <= levels && !m_result.destinationFull; ++n) {
            const std::wstring name = PathComponent(path, n);
            accumulated += L"\\" + name;
            const components::ComponentAnswer answer = component->CreateFolder(accumulated);
            if (!answer.ok) {
                AddProblem(L"the folder " + accumulated + L" was not created: " + answer.text);
                if (DestinationFull(0)) break;
            }
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
        const components::ComponentAnswer answer = component->CreateFolder(accumulated);
        if (answer.ok) continue;
        AddProblem(L"the folder " + accumulated + L" was not created: " + answer.text);
        if (DestinationFull(0)) return;
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
    const components::BatchLimits limits = component->Batching();
    Batch batch;
    const uint64_t length = file->Length();
    const mailbox::SourceStamp opened = file->Stamp();
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
            if (limits.messages <= 1) {
                ImportOne(*component, number, marker.text, marker.TextSize());
                return !m_result.destinationFull;
            }
            ++m_result.found;
            if (batch.messages.empty()) batch.firstNumber = number;
            batch.messages.push_back(Arguments(marker.text, marker.TextSize()));
            batch.messages.back().emlBytes = MessageFileBytes(marker.text, marker.TextSize());
            batch.bytes += batch.messages.back().emlBytes.size();
            if (batch.messages.size() < limits.messages && (limits.bytes == 0 || batch.bytes < limits.bytes))
                return true;
            return ImportBatch(*component, batch);
        });
    if (!batch.messages.empty()) ImportBatch(*component, batch);
    m_services.tempFolder->Remove();
    if (end.error) AddProblem(L"the source " + end.error.Message() + L"; the messages before stay stored");
    if (end.stopped) m_result.stopped = true;
    CheckSourceUnchanged(opened, file->Stamp(), end);
}

void CMailboxTransfer::CheckSourceUnchanged(const mailbox::SourceStamp& opened, const mailbox::SourceStamp& closed,
                                            const mailbox::HeaderScanEnd& end) {
    // A shrinking source ends the scan early and a growing one hides its new
    // part: either way the PST is not the source's, however clean the scan.
    const bool wholeScan = !end.stopped && !end.endedByVisitor && !end.error;
    const std::optional<uint64_t>& counted = m_source.headerCount;
    if (opened == closed && (!m_source.stamp || *m_source.stamp == opened) &&
        !(wholeScan && counted && end.markers != *counted))
        return;
    std::wstring text = L"the source \"" + m_source.path + L"\" changed while it was converted (its size or last-write time)";
    if (counted) text += L"; " + std::to_wstring(*counted) + L" messages were counted in it before";
    AddProblem(text + L"; what was stored is not the whole source");
}

components::MessageImportArguments CMailboxTransfer::Arguments(const uint8_t* text, size_t size) const {
    components::MessageImportArguments arguments;
    arguments.folderPath = L"\\\\" + m_pstFolderPath;
    arguments.messageText = m_services.codePage->Decode(text, size);
    arguments.attachmentName = mailbox::SubjectText(arguments.messageText);
    arguments.owner = L"Admin";
    arguments.sourceTimeText = m_source.timeText;
    return arguments;
}

void CMailboxTransfer::CountFailed(uint64_t number, const std::wstring& why, uint64_t count) {
    m_result.failed += count;
    // The first refusal says why; later ones only count, so a full disk
    // does not give thousands of identical sentences.
    if (!m_messageProblemNoted) AddProblem(L"message " + std::to_wstring(number) + L" was not stored: " + why);
    m_messageProblemNoted = true;
}

bool CMailboxTransfer::ImportOne(components::IMailParserComponent& component, uint64_t number, const uint8_t* text,
                                 size_t size) {
    ++m_result.found;
    std::wstring writeError;
    const std::string bytes = MessageFileBytes(text, size);
    std::wstring emlPath = m_services.tempFolder->Write(number, bytes, writeError);
    if (emlPath.empty()) {
        CountFailed(number, writeError);
        return false;
    }
    components::MessageImportArguments arguments = Arguments(text, size);
    arguments.emlPath = emlPath;
    const components::ComponentAnswer answer = component.ImportMessage(arguments);
    m_services.tempFolder->MessageDone();
    if (!answer.ok) {
        CountFailed(number, answer.text);
        if (DestinationFull(bytes.size()))
            AddProblem(L"the conversion ended at message " + std::to_wstring(number) +
                       L"; every message before it stays in the PST file");
        return false;
    }
    ++m_result.stored;
    return true;
}

bool CMailboxTransfer::ImportBatch(components::IMailParserComponent& component, Batch& batch) {
    std::vector<components::MessageImportArguments> messages;
    messages.swap(batch.messages);
    const size_t bytes = std::exchange(batch.bytes, 0);
    components::ComponentAnswer answer = component.ImportMessages(messages);
    if (answer.ok) {
        m_result.stored += messages.size();
        return true;
    }
    // From message `from` on nothing is stored when the refusal was a full disk.
    auto endedByFullDisk = [&](size_t from, size_t needed) {
        if (!DestinationFull(needed)) return false;
        const uint64_t number = batch.firstNumber + from;
        CountFailed(number, answer.text, messages.size() - from);
        AddProblem(L"the conversion ended at message " + std::to_wstring(number) +
                   L"; every message before it stays in the PST file");
        return true;
    };
    if (endedByFullDisk(0, bytes)) return false;
    if (messages.size() == 1) {
        CountFailed(batch.firstNumber, answer.text);
        return true;
    }
    // Another refusal may be one message's: each is tried on its own.
    for (size_t i = 0; i < messages.size(); ++i) {
        answer = component.ImportMessages({messages[i]});
        if (answer.ok) {
            ++m_result.stored;
            continue;
        }
        if (endedByFullDisk(i, messages[i].emlBytes.size())) return false;
        CountFailed(batch.firstNumber + i, answer.text);
    }
    return true;
}

bool CMailboxTransfer::DestinationFull(size_t needed) {
    if (m_result.destinationFull) return true;
    if (!m_services.freeSpace) return false;
    const std::wstring folder = FolderPart(m_result.pstPath);
    const std::optional<uint64_t> free = m_services.freeSpace(folder);
    if (!free || *free >= kRoomForOneMessage + 2 * static_cast<uint64_t>(needed)) return false;
    m_result.destinationFull = true;
    AddProblem(L"the disk of \"" + folder + L"\" is full (" + std::to_wstring(*free) + L" bytes free)");
    return true;
}

}  // namespace convert
