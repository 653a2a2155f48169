#include "pst/Folder.h"

#include "messaging/StoreEngine.h"

namespace pst {
namespace {

Status Invalid() { return Status::Failure("the folder handle is empty"); }

}  // namespace

Result<FolderInfo> Folder::Info() const {
    if (!m_engine) return Invalid();
    return m_engine->Run<FolderInfo>(false, [&] { return m_engine->GetFolderInfo(m_nid); });
}

Result<std::vector<Folder>> Folder::Subfolders() const {
    if (!m_engine) return Invalid();
    return m_engine->Run<std::vector<Folder>>(false, [&] {
        std::vector<Folder> out;
        for (uint32_t nid : m_engine->ListSubfolders(m_nid)) out.push_back(Folder(m_engine, nid));
        return out;
    });
}

Result<Folder> Folder::FindSubfolder(const std::string& name) const {
    if (!m_engine) return Invalid();
    return m_engine->Run<Folder>(false, [&] {
        uint32_t nid = m_engine->FindSubfolder(m_nid, name);
        return nid ? Folder(m_engine, nid) : Folder();
    });
}

Result<Folder> Folder::CreateSubfolder(const std::string& name, const std::string& containerClass) const {
    if (!m_engine) return Invalid();
    // Refusals are checked before anything changes, so they leave the store usable.
    if (name.empty()) return Status::Failure("a folder needs a name");
    Result<Folder> existing = FindSubfolder(name);
    if (!existing) return existing.GetStatus();
    if (existing->IsValid()) return Status::Failure("a folder named \"" + name + "\" exists already");
    return m_engine->Run<Folder>(true,
                                 [&] { return Folder(m_engine, m_engine->CreateFolder(m_nid, name, containerClass)); });
}

Result<Folder> Folder::FindOrCreateSubfolder(const std::string& name, const std::string& containerClass) const {
    Result<Folder> found = FindSubfolder(name);
    if (!found || found->IsValid()) return found;
    return CreateSubfolder(name, containerClass);
}

Result<uint32_t> Folder::AddMessage(const MessageData& message) const {
    if (!m_engine) return Invalid();
    return m_engine->Run<uint32_t>(true, [&] { return m_engine->AddMessage(m_nid, message); });
}

Result<std::vector<uint32_t>> Folder::AddMessages(const std::vector<MessageData>& messages) const {
    if (!m_engine) return Invalid();
    if (messages.empty()) return std::vector<uint32_t>();
    return m_engine->Run<std::vector<uint32_t>>(
        true, [&] { return m_engine->AddMessages(m_nid, messages.data(), messages.size()); });
}

Result<std::vector<StoredMessage>> Folder::Messages() const {
    if (!m_engine) return Invalid();
    return m_engine->Run<std::vector<StoredMessage>>(false, [&] { return m_engine->ReadMessages(m_nid); });
}

}  // namespace pst
