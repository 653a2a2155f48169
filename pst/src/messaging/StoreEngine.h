#pragma once
// The messaging layer ([MS-PST] 2.4): folders and messages on top of the LTP
// and NDB layers. Each mutating operation ends with one Database::Commit();
// the first failure leaves the file at its last commit and makes every later
// call fail (the in-memory state may be ahead of the file).

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ltp/Property.h"
#include "ltp/TableContext.h"
#include "messaging/NodeIds.h"
#include "ndb/Database.h"
#include "pst/Folder.h"
#include "pst/MessageData.h"
#include "pst/Status.h"
#include "pst/Store.h"

namespace pst {

class StoreEngine {
public:
    static std::unique_ptr<StoreEngine> Create(std::unique_ptr<File> file, const std::string& displayName,
                                               const StoreOptions& options);
    static std::unique_ptr<StoreEngine> Open(std::unique_ptr<File> file, const StoreOptions& options);

    const std::string& DisplayName() const { return m_displayName; }
    WriteCounts BytesWritten() const { return m_db->BytesWritten(); }
    uint32_t IpmSubtreeNid() const { return m_ipmSubtreeNid; }
    uint32_t DeletedItemsNid() const { return m_deletedItemsNid; }

    // Runs an operation; turns exceptions into a failed Result and, for
    // mutating operations, retires the engine.
    template <class T, class F>
    Result<T> Run(bool mutates, F&& operation) {
        if (!m_failure.empty()) return Status::Failure("the store is unusable after an earlier failure: " + m_failure);
        try {
            return Result<T>(operation());
        } catch (const std::exception& e) {
            if (mutates) m_failure = e.what();
            return Status::Failure(e.what());
        }
    }

    FolderInfo GetFolderInfo(uint32_t nid);
    std::vector<uint32_t> ListSubfolders(uint32_t nid);
    uint32_t FindSubfolder(uint32_t parent, const std::string& name);
    uint32_t CreateFolder(uint32_t parent, const std::string& name, const std::string& containerClass);
    uint32_t AddMessage(uint32_t folder, const MessageData& message);
    // All in one commit: the file holds all of them or, before it returns, none.
    std::vector<uint32_t> AddMessages(uint32_t folder, const MessageData* messages, size_t count);
    std::vector<StoredMessage> ReadMessages(uint32_t folder);
    void Close();

private:
    struct FolderState {
        NodeEntry node;
        std::vector<Property> properties;
        std::unique_ptr<TableContext> hierarchy;
        std::unique_ptr<TableContext> contents;
        // Subfolders by lower-cased name, read from the hierarchy table once.
        bool namesLoaded = false;
        std::map<std::string, uint32_t> subfolderByName;
    };

    explicit StoreEngine(std::unique_ptr<Database> db) : m_db(std::move(db)) {}

    static uint32_t TableNid(uint32_t folderNid, uint32_t type) { return MakeNid(type, NidIndex(folderNid)); }
    FolderState& StateOf(uint32_t nid);
    TableContext& Hierarchy(FolderState& folder);
    TableContext& Contents(FolderState& folder);
    std::map<std::string, uint32_t>& SubfolderNames(FolderState& folder);
    void WriteFolderProperties(FolderState& folder);
    void CommitTable(uint32_t tableNid, TableContext& table);
    void SetProperty(FolderState& folder, const Property& value);
    uint32_t CreateFolderNodes(uint32_t nid, uint32_t parent, const std::string& name,
                               const std::string& containerClass, bool hasSubfolders);
    uint32_t AddFolder(uint32_t parent, const std::string& name, const std::string& containerClass);
    // Creates folder `nid` (a normal or search folder) and its row in the parent's hierarchy table.
    uint32_t AddFolderRow(uint32_t parent, uint32_t nid, const std::string& name, const std::string& containerClass);
    void WriteEmptyTable(uint32_t nid, const TableSchema& schema);
    Bytes EntryId(uint32_t nid) const;
    void TrimCaches();

    std::unique_ptr<Database> m_db;
    std::string m_failure;
    std::string m_displayName;
    Bytes m_recordKey;
    uint32_t m_ipmSubtreeNid = 0;
    uint32_t m_deletedItemsNid = 0;
    std::map<uint32_t, std::unique_ptr<FolderState>> m_folders;
    std::vector<uint32_t> m_recentlyUsed;  // folders touched since the last TrimCaches()
};

}  // namespace pst
