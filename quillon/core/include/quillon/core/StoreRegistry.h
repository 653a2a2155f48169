#pragma once
// The component's memory across calls. The system makes a new COM instance for
// every exchange, so the stores it creates, and the folders found in them,
// live here for the life of the process, keyed by store display name (the
// first component of every folder path).
//
// GUARANTEES
//  - Every call returns a CallResult and throws nothing.
//  - What a store holds on disk is always a committed state of the engine: a
//    call that fails leaves the file as the last successful call left it, and
//    a process killed at any moment leaves a file every reader opens.
//  - A power cut costs at most the calls of one five-second stretch (the last
//    one before the cut, or before a pause in the calls): the stores are
//    opened with that flush interval (StoreFiles.cpp). A file whose header
//    reached the disk ahead of its data is refused, never misread, its last
//    durable state intact for a repair (pst/src/ndb/Database.h).
//  - An existing file at a store's path is added to only when it is a store
//    this engine wrote; anything else is never written, truncated or renamed.
//
// LIFECYCLE: a store stays open (its file locked against other writers) until
// a store of another display name is created, or Shutdown() runs; then it is
// closed, which writes its exact allocation maps. A closed store is opened
// again from its path when a later call names it. After a failed write the
// engine retires its store; the registry drops it, and the next call that
// names it opens the file again at its last committed state.
//
// THREADS: one mutex serializes every use of the stores (the engine is
// single-threaded per store). Reading and parsing the message file happens
// before the lock is taken.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pst/Folder.h"
#include "pst/Store.h"
#include "quillon/core/CallResult.h"
#include "quillon/core/FolderPath.h"
#include "quillon/core/StoreFiles.h"

namespace quillon {

// The texts of one message call, UTF-8, in the order the system passes them.
struct MessageRequest {
    std::string folderPath;
    std::string attachmentName;
    std::string owner;  // "Admin"; not used for the message
    std::string emlPath;
    std::string sourceTimeText;
    std::string messageText;
    std::string emlBytes;  // in process: the file's bytes, read instead of a file when emlPath is empty
};

class StoreRegistry {
public:
    // The process-wide registry. It is never destroyed, so a call made while
    // the process shuts down finds it intact.
    static StoreRegistry& Instance();

    // Stores in the engine's files at real paths.
    StoreRegistry();
    explicit StoreRegistry(std::unique_ptr<StoreFiles> files);
    ~StoreRegistry();
    StoreRegistry(const StoreRegistry&) = delete;
    StoreRegistry& operator=(const StoreRegistry&) = delete;

    // Creates the PST file (and missing directories) at `pstPath`, or opens the
    // store this engine wrote there before; the store then answers to
    // `displayName`. Closes the stores of every other display name.
    CallResult CreateStore(const std::string& pstPath, const std::string& displayName);
    // Finds or creates every level of the folder path.
    CallResult CreateFolder(const std::string& folderPath);
    // Builds the message from its file and texts and stores it in the folder the
    // path names, creating missing levels.
    CallResult ImportMessage(const MessageRequest& request);
    // The messages, all for the first one's folder (a call naming another is
    // refused), in one commit: all of them are stored, or none.
    CallResult ImportMessages(const std::vector<MessageRequest>& requests);

    // Closes every store. Meant for process end (DLL_PROCESS_DETACH): when
    // another thread holds the lock (it may have been killed holding it), it
    // does nothing rather than wait; the stores on disk are complete anyway.
    void Shutdown();

private:
    struct CachedFolder {
        pst::Folder folder;
        std::string containerClass;
    };
    struct Entry {
        std::string path;
        std::unique_ptr<pst::Store> store;            // null: closed or retired
        std::map<std::string, CachedFolder> folders;  // lower-cased levels -> folder
    };

    CallResult CreateStoreLocked(const std::string& pstPath, const std::string& displayName);
    CallResult StoreMessagesLocked(const FolderPath& path, const std::string& pathText,
                                   const std::vector<pst::MessageData>& messages);
    // The open entry for the display name, opening a closed one; null with
    // `error` set when there is none or it cannot be opened.
    Entry* OpenEntry(const std::string& displayName, std::string& error);
    pst::Result<pst::Folder> ResolveFolder(Entry& entry, const FolderPath& path);
    static void CloseEntry(Entry& entry);
    static void RetireEntry(Entry& entry);

    std::mutex m_mutex;
    std::unique_ptr<StoreFiles> m_files;
    std::map<std::string, Entry> m_entries;
};

}  // namespace quillon
