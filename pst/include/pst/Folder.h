#pragma once
// A folder of an open store. A Folder is a light handle: it stays valid as long
// as the Store that produced it; copying it copies the handle, not the folder.

#include <cstdint>
#include <string>
#include <vector>

#include "pst/MessageData.h"
#include "pst/Status.h"

namespace pst {

class StoreEngine;

struct FolderInfo {
    uint32_t id = 0;
    std::string name;
    std::string containerClass;
    uint32_t contentCount = 0;
    uint32_t unreadCount = 0;
    bool hasSubfolders = false;
};

class Folder {
public:
    Folder() = default;

    bool IsValid() const { return m_engine != nullptr; }
    uint32_t Id() const { return m_nid; }

    Result<FolderInfo> Info() const;
    Result<std::vector<Folder>> Subfolders() const;
    // An invalid Folder (IsValid() false) when no subfolder has that name.
    Result<Folder> FindSubfolder(const std::string& name) const;
    // Fails when a subfolder of that name exists already.
    Result<Folder> CreateSubfolder(const std::string& name, const std::string& containerClass = "IPF.Note") const;
    // Returns the existing subfolder of that name, or creates it.
    Result<Folder> FindOrCreateSubfolder(const std::string& name, const std::string& containerClass = "IPF.Note") const;

    // Stores the message and its row in this folder's contents table; committed
    // to the file when it returns. Returns the message's id.
    Result<uint32_t> AddMessage(const MessageData& message) const;
    // Stores the messages, in order, in one commit: a kill before it returns
    // leaves none of them, after it all. Cheaper per message than AddMessage:
    // the folder's table, counts and the trees' paths are written once.
    // Returns the messages' ids.
    Result<std::vector<uint32_t>> AddMessages(const std::vector<MessageData>& messages) const;
    // Reads every message of the folder back, in the order they were added.
    Result<std::vector<StoredMessage>> Messages() const;

private:
    friend class Store;
    Folder(StoreEngine* engine, uint32_t nid) : m_engine(engine), m_nid(nid) {}

    StoreEngine* m_engine = nullptr;  // not owned: belongs to the Store
    uint32_t m_nid = 0;
};

}  // namespace pst
