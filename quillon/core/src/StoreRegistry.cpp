#include "quillon/core/StoreRegistry.h"

#include <exception>

#include "mail/MessageBuilder.h"
#include "quillon/core/MessageFileRead.h"
#include "quillon/core/StandardFolders.h"
#include "text/AsciiCase.h"
#include "text/FileTime.h"

namespace quillon {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The system builds some PST paths with a doubled backslash before the file
// name; one separator is meant. A leading pair (a UNC share) stays.
std::string CollapseSeparators(const std::string& path) {
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        if (i > 1 && IsSeparator(path[i]) && IsSeparator(out.back())) continue;
        out.push_back(path[i]);
    }
    return out;
}

std::string FolderKey(const std::string& parentKey, const std::string& level) {
    return parentKey + "\\" + mailbox::LowerAscii(level);
}

template <class Call>
CallResult Guarded(Call&& call) {
    try {
        return call();
    } catch (const std::exception& e) {
        return CallResult::Failure(std::string("internal error: ") + e.what());
    } catch (...) {
        return CallResult::Failure("internal error");
    }
}

// The message from its file, or from the bytes handed in its place.
pst::MessageData BuildRequested(const MessageRequest& request) {
    mail::MessageTexts texts{request.attachmentName, request.sourceTimeText, request.messageText};
    const std::string file = request.emlPath.empty() ? std::string() : ReadMessageFile(request.emlPath);
    return mail::BuildMessage(request.emlPath.empty() ? request.emlBytes : file, texts, mailbox::FileTimeNow());
}

}  // namespace

StoreRegistry& StoreRegistry::Instance() {
    static StoreRegistry* instance = new StoreRegistry();
    return *instance;
}

StoreRegistry::StoreRegistry() : m_files(MakeEngineStoreFiles()) {}

StoreRegistry::StoreRegistry(std::unique_ptr<StoreFiles> files) : m_files(std::move(files)) {}

StoreRegistry::~StoreRegistry() { Shutdown(); }

void StoreRegistry::CloseEntry(Entry& entry) {
    entry.folders.clear();
    if (entry.store) entry.store->Close();
    entry.store.reset();
}

void StoreRegistry::RetireEntry(Entry& entry) {
    entry.folders.clear();
    entry.store.reset();
}

CallResult StoreRegistry::CreateStore(const std::string& pstPath, const std::string& displayName) {
    return Guarded([&] {
        std::lock_guard<std::mutex> lock(m_mutex);
        return CreateStoreLocked(CollapseSeparators(pstPath), displayName);
    });
}

CallResult StoreRegistry::CreateStoreLocked(const std::string& pstPath, const std::string& displayName) {
    if (displayName.empty()) return CallResult::Failure("the store needs a display name");
    if (pstPath.empty()) return CallResult::Failure("the store \"" + displayName + "\" needs a file path");
    for (auto& [name, entry] : m_entries)
        if (name != displayName) CloseEntry(entry);

    Entry& entry = m_entries[displayName];
    if (entry.store && entry.path == pstPath) return CallResult::Success("the store is open at " + pstPath);
    CloseEntry(entry);
    entry.path = pstPath;

    bool existed = m_files->Exists(pstPath);
    auto opened = existed ? m_files->Open(pstPath) : m_files->Create(pstPath, displayName);
    if (!opened) {
        m_entries.erase(displayName);
        if (existed)
            return CallResult::Failure("what is at " + pstPath +
                                       " is not a store this program can add to, and it was left unchanged (" +
                                       opened.Message() + ")");
        return CallResult::Failure("cannot create the store at " + pstPath + " (" + opened.Message() + ")");
    }
    entry.store = std::move(opened.Value());
    return CallResult::Success((existed ? "opened the existing store at " : "created the store at ") + pstPath);
}

StoreRegistry::Entry* StoreRegistry::OpenEntry(const std::string& displayName, std::string& error) {
    auto found = m_entries.find(displayName);
    if (found == m_entries.end()) {
        error = "no store named \"" + displayName + "\" was created";
        return nullptr;
    }
    Entry& entry = found->second;
    if (!entry.store) {
        auto opened = m_files->Open(entry.path);
        if (!opened) {
            error = "cannot open the store \"" + displayName + "\" again (" + opened.Message() + ")";
            return nullptr;
        }
        entry.store = std::move(opened.Value());
    }
    return &entry;
}

pst::Result<pst::Folder> StoreRegistry::ResolveFolder(Entry& entry, const FolderPath& path) {
    const pst::Folder top = entry.store->IpmSubtree();
    pst::Folder current = top;
    std::string currentClass;
    std::string key;
    for (size_t i = 0; i < path.levels.size(); ++i) {
        const std::string& level = path.levels[i];
        if (i == 0 && mailbox::EqualsIgnoreCase(level, kTopOfInformationStore)) continue;
        key = FolderKey(key, level);
        auto cached = entry.folders.find(key);
        if (cached != entry.folders.end()) {
            current = cached->second.folder;
            currentClass = cached->second.containerClass;
            continue;
        }
        bool atTop = current.Id() == top.Id();
        std::string containerClass = atTop                  ? ContainerClassFor(level)
                                     : currentClass.empty() ? "IPF.Note"
                                                            : currentClass;
        pst::Folder next;
        if (atTop && mailbox::EqualsIgnoreCase(level, kDeletedItems) && entry.store->DeletedItems().IsValid()) {
            next = entry.store->DeletedItems();
            containerClass = "IPF.Note";
        } else {
            auto made = current.FindOrCreateSubfolder(level, containerClass);
            if (!made) return made.GetStatus();
            next = made.Value();
        }
        entry.folders[key] = {next, containerClass};
        current = next;
        currentClass = containerClass;
    }
    return current;
}

CallResult StoreRegistry::CreateFolder(const std::string& folderPath) {
    return Guarded([&] {
        auto path = ParseFolderPath(folderPath);
        if (!path) return CallResult::Failure("the folder path \"" + folderPath + "\" names no store");
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string error;
        Entry* entry = OpenEntry(path->displayName, error);
        if (!entry) return CallResult::Failure(error);
        auto folder = ResolveFolder(*entry, *path);
        if (!folder) {
            RetireEntry(*entry);
            return CallResult::Failure("cannot create the folder " + folderPath + " (" + folder.Message() +
                                       "); the file keeps everything stored before");
        }
        return CallResult::Success("the folder " + folderPath + " exists");
    });
}

CallResult StoreRegistry::ImportMessage(const MessageRequest& request) {
    return Guarded([&] {
        auto path = ParseFolderPath(request.folderPath);
        if (!path) return CallResult::Failure("the folder path \"" + request.folderPath + "\" names no store");
        std::vector<pst::MessageData> messages;
        messages.push_back(BuildRequested(request));
        std::lock_guard<std::mutex> lock(m_mutex);
        return StoreMessagesLocked(*path, request.folderPath, messages);
    });
}

CallResult StoreRegistry::ImportMessages(const std::vector<MessageRequest>& requests) {
    return Guarded([&] {
        if (requests.empty()) return CallResult::Success("no message to store");
        const std::string& folderPath = requests.front().folderPath;
        auto path = ParseFolderPath(folderPath);
        if (!path) return CallResult::Failure("the folder path \"" + folderPath + "\" names no store");
        std::vector<pst::MessageData> messages;
        messages.reserve(requests.size());
        for (const MessageRequest& request : requests) {
            if (request.folderPath != folderPath)
                return CallResult::Failure("the messages of one call go to one folder, not to " + folderPath + " and " +
                                           request.folderPath + "; none was stored");
            messages.push_back(BuildRequested(request));
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        return StoreMessagesLocked(*path, folderPath, messages);
    });
}

CallResult StoreRegistry::StoreMessagesLocked(const FolderPath& path, const std::string& pathText,
                                              const std::vector<pst::MessageData>& messages) {
    std::string error;
    Entry* entry = OpenEntry(path.displayName, error);
    if (!entry) return CallResult::Failure(error);
    auto folder = ResolveFolder(*entry, path);
    if (!folder) {
        RetireEntry(*entry);
        return CallResult::Failure("cannot create the folder " + pathText + " (" + folder.Message() +
                                   "); the file keeps everything stored before");
    }
    auto stored = folder->AddMessages(messages);
    const bool one = messages.size() == 1;
    if (!stored) {
        RetireEntry(*entry);
        const std::string what = one ? "the message was" : "none of the " + std::to_string(messages.size()) + " messages was";
        return CallResult::Failure(what + " stored in " + pathText + " (" + stored.Message() +
                                   "); the file keeps everything stored before " + (one ? "it" : "them"));
    }
    return CallResult::Success((one ? std::string("message") : std::to_string(messages.size()) + " messages") +
                               " stored in " + pathText);
}

void StoreRegistry::Shutdown() {
    std::unique_lock<std::mutex> lock(m_mutex, std::try_to_lock);
    if (!lock.owns_lock()) return;
    for (auto& [name, entry] : m_entries) CloseEntry(entry);
    m_entries.clear();
}

}  // namespace quillon
