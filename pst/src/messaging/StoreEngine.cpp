#include "messaging/StoreEngine.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <set>
#include <string>

#include "ltp/PropertyContext.h"
#include "messaging/MessageReader.h"
#include "messaging/MessageWriter.h"
#include "messaging/NameIdMap.h"
#include "messaging/NodeIds.h"
#include "messaging/PropertyTags.h"
#include "messaging/TableTemplates.h"
#include "text/AsciiCase.h"
#include "text/FileTime.h"
#include "util/EngineError.h"

namespace pst {
namespace {

constexpr const char* kSpamSearchFolderName = "SPAM Search Folder 2";
// PidTagValidFolderMask: IPM subtree, wastebasket and finder are valid.
constexpr uint32_t kValidFolders = 0x01 | 0x08 | 0x80;
constexpr size_t kMaxCachedFolders = 64;

std::string TextOf(const std::vector<Property>& props, uint32_t tag) {
    const Property* p = FindProperty(props, tag);
    return p ? Utf16LeToUtf8(p->value.data(), p->value.size()) : std::string();
}

Bytes RandomRecordKey() {
    std::random_device device;
    std::mt19937_64 mix(static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()) ^
                        (static_cast<uint64_t>(device()) << 32));
    Bytes key(16);
    for (size_t i = 0; i < 16; i += 8) Put64(&key[i], mix());
    return key;
}

uint32_t NidFromEntryId(const Property* p) {
    if (!p || p->value.size() < 24) Fail("not a PST this engine can open: the store names no IPM subtree");
    return Get32(&p->value[20]);
}

}  // namespace

Bytes StoreEngine::EntryId(uint32_t nid) const {
    Bytes id(24, 0);
    std::copy(m_recordKey.begin(), m_recordKey.end(), id.begin() + 4);
    Put32(&id[20], nid);
    return id;
}

std::unique_ptr<StoreEngine> StoreEngine::Create(std::unique_ptr<File> file, const std::string& displayName,
                                                 const StoreOptions& options) {
    std::unique_ptr<StoreEngine> e(new StoreEngine(Database::CreateNew(std::move(file), options)));
    Database& db = *e->m_db;
    e->m_displayName = displayName;
    e->m_recordKey = RandomRecordKey();

    e->CreateFolderNodes(kRootFolderNid, kRootFolderNid, "", "", true);
    // Hierarchy rows go in ascending NID order: the spam folder's NID is the lowest.
    e->AddFolderRow(kRootFolderNid, kSpamSearchFolderNid, kSpamSearchFolderName, "");
    db.PutNode(NodeEntry{MakeNid(kNidTypeSearchUpdateQueue, NidIndex(kSpamSearchFolderNid)), 0, 0, 0});
    db.PutNode(NodeEntry{MakeNid(kNidTypeSearchCriteria, NidIndex(kSpamSearchFolderNid)), 0, 0, 0});
    e->WriteEmptyTable(MakeNid(kNidTypeSearchContentsTable, NidIndex(kSpamSearchFolderNid)), ContentsTableSchema());
    e->m_ipmSubtreeNid = e->AddFolder(kRootFolderNid, "Top of Personal Folders", "");
    uint32_t searchRoot = e->AddFolder(kRootFolderNid, "Search Root", "");
    e->m_deletedItemsNid = e->AddFolder(e->m_ipmSubtreeNid, "Deleted Items", "IPF.Note");

    e->WriteEmptyTable(kHierarchyTemplateNid, HierarchyTableSchema());
    e->WriteEmptyTable(kContentsTemplateNid, ContentsTableSchema());
    e->WriteEmptyTable(kAssocContentsTemplateNid, AssociatedContentsTableSchema());
    e->WriteEmptyTable(kSearchContentsTemplateNid, ContentsTableSchema());
    e->WriteEmptyTable(kAttachmentTemplateNid, AttachmentTableSchema());
    e->WriteEmptyTable(kRecipientTemplateNid, RecipientTableSchema());
    e->WriteEmptyTable(kReceiveFolderTableNid, ReceiveFolderTableSchema());
    e->WriteEmptyTable(kOutgoingQueueTableNid, OutgoingQueueTableSchema());

    NodeContent names = PropertyContext::Write(db, InitialNameIdMap());
    db.PutNode(NodeEntry{kNameIdMapNid, names.bidData, names.bidSub, 0});

    std::vector<Property> store;
    store.push_back(BinaryProperty(tag::kRecordKey, e->m_recordKey));
    store.push_back(StringProperty(tag::kDisplayName, displayName));
    store.push_back(BinaryProperty(tag::kIpmSubtreeEntryId, e->EntryId(e->m_ipmSubtreeNid)));
    store.push_back(BinaryProperty(tag::kIpmWastebasketEntryId, e->EntryId(e->m_deletedItemsNid)));
    store.push_back(BinaryProperty(tag::kFinderEntryId, e->EntryId(searchRoot)));
    store.push_back(Int32Property(tag::kValidFolderMask, kValidFolders));
    NodeContent storeNode = PropertyContext::Write(db, store);
    db.PutNode(NodeEntry{kMessageStoreNid, storeNode.bidData, storeNode.bidSub, 0});

    // Search bookkeeping nodes: present and empty, as Outlook leaves them in a new file.
    db.PutNode(NodeEntry{kSearchManagementQueueNid, 0, 0, 0});
    db.PutNode(NodeEntry{kSearchActivityListNid, 0, 0, 0});
    db.PutNode(NodeEntry{kSearchDomainNid, 0, 0, 0});

    db.Commit();
    db.WriteExactMaps();
    return e;
}

std::unique_ptr<StoreEngine> StoreEngine::Open(std::unique_ptr<File> file, const StoreOptions& options) {
    std::unique_ptr<StoreEngine> e(new StoreEngine(Database::OpenExisting(std::move(file), options)));
    Database& db = *e->m_db;
    NodeEntry storeNode;
    NodeEntry root;
    if (!db.FindNode(kMessageStoreNid, storeNode) || !db.FindNode(kRootFolderNid, root))
        Fail("not a PST this engine can open: the message store or root folder is missing");
    std::vector<Property> store = PropertyContext::Read(db, storeNode.bidData, storeNode.bidSub);
    e->m_displayName = TextOf(store, tag::kDisplayName);
    const Property* key = FindProperty(store, tag::kRecordKey);
    e->m_recordKey = key ? key->value.ToBytes() : Bytes(16, 0);
    e->m_recordKey.resize(16, 0);
    e->m_ipmSubtreeNid = NidFromEntryId(FindProperty(store, tag::kIpmSubtreeEntryId));
    const Property* wastebasket = FindProperty(store, tag::kIpmWastebasketEntryId);
    e->m_deletedItemsNid = wastebasket && wastebasket->value.size() >= 24 ? Get32(&wastebasket->value[20]) : 0;
    NodeEntry ipm;
    if (!db.FindNode(e->m_ipmSubtreeNid, ipm)) Fail("not a PST this engine can open: the IPM subtree is missing");
    return e;
}

StoreEngine::FolderState& StoreEngine::StateOf(uint32_t nid) {
    auto it = m_folders.find(nid);
    if (it != m_folders.end()) {
        m_recentlyUsed.push_back(nid);
        return *it->second;
    }
    if (NidType(nid) != kNidTypeNormalFolder && NidType(nid) != kNidTypeSearchFolder)
        Fail("not a folder id: " + std::to_string(nid));
    std::unique_ptr<FolderState> f(new FolderState());
    f->node = m_db->GetNode(nid);
    f->properties = PropertyContext::Read(*m_db, f->node.bidData, f->node.bidSub);
    FolderState& ref = *f;
    m_folders[nid] = std::move(f);
    m_recentlyUsed.push_back(nid);
    return ref;
}

TableContext& StoreEngine::Hierarchy(FolderState& folder) {
    if (!folder.hierarchy) {
        NodeEntry n = m_db->GetNode(TableNid(folder.node.nid, kNidTypeHierarchyTable));
        folder.hierarchy.reset(new TableContext(*m_db, NodeContent{n.bidData, n.bidSub}));
    }
    return *folder.hierarchy;
}

TableContext& StoreEngine::Contents(FolderState& folder) {
    if (!folder.contents) {
        NodeEntry n = m_db->GetNode(TableNid(folder.node.nid, kNidTypeContentsTable));
        folder.contents.reset(new TableContext(*m_db, NodeContent{n.bidData, n.bidSub}));
    }
    return *folder.contents;
}

void StoreEngine::SetProperty(FolderState& folder, const Property& value) {
    for (auto& p : folder.properties) {
        if (p.tag == value.tag) {
            p.value = value.value;
            return;
        }
    }
    folder.properties.push_back(value);
}

void StoreEngine::WriteFolderProperties(FolderState& folder) {
    NodeEntry old = folder.node;
    NodeContent c = PropertyContext::Write(*m_db, folder.properties);
    m_db->FreeStream(old.bidData);
    m_db->FreeSubnodeTree(old.bidSub);
    folder.node.bidData = c.bidData;
    folder.node.bidSub = c.bidSub;
    m_db->PutNode(folder.node);
}

void StoreEngine::CommitTable(uint32_t tableNid, TableContext& table) {
    NodeContent c = table.Commit(*m_db);
    m_db->PutNode(NodeEntry{tableNid, c.bidData, c.bidSub, 0});
}

void StoreEngine::WriteEmptyTable(uint32_t nid, const TableSchema& schema) {
    TableContext table(*m_db, schema);
    CommitTable(nid, table);
}

uint32_t StoreEngine::CreateFolderNodes(uint32_t nid, uint32_t parent, const std::string& name,
                                        const std::string& containerClass, bool hasSubfolders) {
    // Callers hold references to folder states: replacing one would leave them
    // pointing at freed memory, and the node it stands for would be lost.
    NodeEntry existing;
    if (m_folders.count(nid) || m_db->FindNode(nid, existing))
        Fail("damaged PST: the new folder's node id " + std::to_string(nid) + " is in use");
    std::unique_ptr<FolderState> f(new FolderState());
    f->node = NodeEntry{nid, 0, 0, parent};
    // Every folder has a name, the root's being empty as in Outlook's stores.
    f->properties.push_back(StringProperty(tag::kDisplayName, name));
    f->properties.push_back(Int32Property(tag::kContentCount, 0));
    f->properties.push_back(Int32Property(tag::kContentUnreadCount, 0));
    f->properties.push_back(BoolProperty(tag::kSubfolders, hasSubfolders));
    if (!containerClass.empty()) f->properties.push_back(StringProperty(tag::kContainerClass, containerClass));
    uint64_t now = mailbox::FileTimeNow();
    f->properties.push_back(Int64Property(tag::kCreationTime, now));
    f->properties.push_back(Int64Property(tag::kLastModificationTime, now));
    NodeContent c = PropertyContext::Write(*m_db, f->properties);
    f->node.bidData = c.bidData;
    f->node.bidSub = c.bidSub;
    m_db->PutNode(f->node);
    f->hierarchy.reset(new TableContext(*m_db, HierarchyTableSchema()));
    f->contents.reset(new TableContext(*m_db, ContentsTableSchema()));
    CommitTable(TableNid(nid, kNidTypeHierarchyTable), *f->hierarchy);
    CommitTable(TableNid(nid, kNidTypeContentsTable), *f->contents);
    WriteEmptyTable(TableNid(nid, kNidTypeAssocContentsTable), AssociatedContentsTableSchema());
    m_folders[nid] = std::move(f);
    return nid;
}

uint32_t StoreEngine::AddFolder(uint32_t parentNid, const std::string& name, const std::string& containerClass) {
    // The folder's tables take its index, so the index must be free for them too.
    for (uint32_t table : {kNidTypeHierarchyTable, kNidTypeContentsTable, kNidTypeAssocContentsTable})
        m_db->RaiseNidCounter(kNidTypeNormalFolder, m_db->NidCounter(table));
    uint32_t nid = m_db->AllocateNid(kNidTypeNormalFolder);
    return AddFolderRow(parentNid, nid, name, containerClass);
}

uint32_t StoreEngine::AddFolderRow(uint32_t parentNid, uint32_t nid, const std::string& name,
                                   const std::string& containerClass) {
    FolderState& parent = StateOf(parentNid);
    m_db->RaiseNidCounter(kNidTypeHierarchyTable, NidIndex(nid));
    m_db->RaiseNidCounter(kNidTypeContentsTable, NidIndex(nid));
    m_db->RaiseNidCounter(kNidTypeAssocContentsTable, NidIndex(nid));
    CreateFolderNodes(nid, parentNid, name, containerClass, false);

    std::vector<Property> row = m_folders[nid]->properties;
    row.push_back(Int32Property(tag::kPstHiddenCount, 0));
    row.push_back(Int32Property(tag::kPstHiddenUnread, 0));
    TableContext& hierarchy = Hierarchy(parent);
    hierarchy.AppendRow(nid, row);
    if (parent.namesLoaded) parent.subfolderByName[mailbox::LowerAscii(name)] = nid;
    CommitTable(TableNid(parentNid, kNidTypeHierarchyTable), hierarchy);

    const Property* sub = FindProperty(parent.properties, tag::kSubfolders);
    if (!sub || ValueAsInt(*sub) == 0) {
        SetProperty(parent, BoolProperty(tag::kSubfolders, true));
        WriteFolderProperties(parent);
        uint32_t grandparent = parent.node.nidParent;
        if (grandparent != parentNid) {
            FolderState& gp = StateOf(grandparent);
            TableContext& gpTable = Hierarchy(gp);
            gpTable.UpdateRow(parentNid, {BoolProperty(tag::kSubfolders, true)});
            CommitTable(TableNid(grandparent, kNidTypeHierarchyTable), gpTable);
        }
    }
    return nid;
}

FolderInfo StoreEngine::GetFolderInfo(uint32_t nid) {
    FolderState& f = StateOf(nid);
    FolderInfo info;
    info.id = nid;
    info.name = TextOf(f.properties, tag::kDisplayName);
    info.containerClass = TextOf(f.properties, tag::kContainerClass);
    const Property* p;
    if ((p = FindProperty(f.properties, tag::kContentCount))) info.contentCount = static_cast<uint32_t>(ValueAsInt(*p));
    if ((p = FindProperty(f.properties, tag::kContentUnreadCount)))
        info.unreadCount = static_cast<uint32_t>(ValueAsInt(*p));
    if ((p = FindProperty(f.properties, tag::kSubfolders))) info.hasSubfolders = ValueAsInt(*p) != 0;
    return info;
}

std::vector<uint32_t> StoreEngine::ListSubfolders(uint32_t nid) {
    // A folder whose parents lead back to the root, and children whose parent
    // is this folder: whoever walks the tree down cannot meet a cycle.
    std::set<uint32_t> ancestors;
    for (uint32_t at = nid; at != kRootFolderNid;) {
        if (!ancestors.insert(at).second) Fail("damaged PST: folder " + std::to_string(nid) + " is its own ancestor");
        at = m_db->GetNode(at).nidParent;
    }
    std::vector<uint32_t> out;
    for (const auto& row : Hierarchy(StateOf(nid)).ReadRows()) {
        NodeEntry child;
        if (row.rowId == nid || !m_db->FindNode(row.rowId, child) || child.nidParent != nid)
            Fail("damaged PST: folder " + std::to_string(nid) + " lists a subfolder that is not its own");
        out.push_back(row.rowId);
    }
    TrimCaches();
    return out;
}

std::map<std::string, uint32_t>& StoreEngine::SubfolderNames(FolderState& folder) {
    if (!folder.namesLoaded) {
        for (const auto& row : Hierarchy(folder).ReadRows())
            folder.subfolderByName[mailbox::LowerAscii(TextOf(row.cells, tag::kDisplayName))] = row.rowId;
        folder.namesLoaded = true;
    }
    return folder.subfolderByName;
}

uint32_t StoreEngine::FindSubfolder(uint32_t parent, const std::string& name) {
    auto& names = SubfolderNames(StateOf(parent));
    auto it = names.find(mailbox::LowerAscii(name));
    uint32_t found = it == names.end() ? 0 : it->second;
    TrimCaches();
    return found;
}

uint32_t StoreEngine::CreateFolder(uint32_t parent, const std::string& name, const std::string& containerClass) {
    if (NidType(parent) != kNidTypeNormalFolder) Fail("a search folder holds no folders of its own");
    uint32_t nid = AddFolder(parent, name, containerClass);
    m_db->Commit();
    TrimCaches();
    return nid;
}

uint32_t StoreEngine::AddMessage(uint32_t folderNid, const MessageData& message) {
    return AddMessages(folderNid, &message, 1).front();
}

std::vector<uint32_t> StoreEngine::AddMessages(uint32_t folderNid, const MessageData* messages, size_t count) {
    if (NidType(folderNid) != kNidTypeNormalFolder) Fail("a search folder holds no messages of its own");
    FolderState& folder = StateOf(folderNid);
    TableContext& contents = Contents(folder);
    FolderInfo info = GetFolderInfo(folderNid);
    std::vector<uint32_t> nids;
    for (size_t i = 0; i < count; ++i) {
        uint32_t nid = m_db->AllocateNid(kNidTypeNormalMessage);
        std::vector<Property> props;
        NodeContent c = MessageWriter::Write(*m_db, nid, messages[i], props);
        m_db->PutNode(NodeEntry{nid, c.bidData, c.bidSub, folderNid});
        contents.AppendRow(nid, props);
        info.contentCount++;
        if (!(messages[i].flags & kMessageRead)) info.unreadCount++;
        nids.push_back(nid);
    }
    // The table, the folder's counts and its row in the parent's table change
    // once for all the messages, and one commit covers them.
    CommitTable(TableNid(folderNid, kNidTypeContentsTable), contents);
    std::vector<Property> counts = {Int32Property(tag::kContentCount, info.contentCount),
                                    Int32Property(tag::kContentUnreadCount, info.unreadCount)};
    for (const auto& p : counts) SetProperty(folder, p);
    WriteFolderProperties(folder);
    uint32_t parentNid = folder.node.nidParent;
    if (parentNid != folderNid) {
        TableContext& siblings = Hierarchy(StateOf(parentNid));
        siblings.UpdateRow(folderNid, counts);
        CommitTable(TableNid(parentNid, kNidTypeHierarchyTable), siblings);
    }
    m_db->Commit();
    TrimCaches();
    return nids;
}

std::vector<StoredMessage> StoreEngine::ReadMessages(uint32_t folderNid) {
    std::vector<StoredMessage> out;
    for (const auto& row : Contents(StateOf(folderNid)).ReadRows())
        out.push_back(MessageReader::Read(*m_db, row.rowId));
    TrimCaches();
    return out;
}

void StoreEngine::TrimCaches() {
    // Once per folder: a second trim would drop the blocks the first one kept.
    std::sort(m_recentlyUsed.begin(), m_recentlyUsed.end());
    m_recentlyUsed.erase(std::unique(m_recentlyUsed.begin(), m_recentlyUsed.end()), m_recentlyUsed.end());
    for (uint32_t nid : m_recentlyUsed) {
        auto it = m_folders.find(nid);
        if (it == m_folders.end()) continue;
        if (it->second->contents) it->second->contents->TrimCache();
        if (it->second->hierarchy) it->second->hierarchy->TrimCache();
    }
    // Everything a folder state holds is committed, so states can be dropped
    // and read again; keeping them all would grow with the number of folders.
    if (m_folders.size() > kMaxCachedFolders) {
        for (auto it = m_folders.begin(); it != m_folders.end();) {
            if (std::binary_search(m_recentlyUsed.begin(), m_recentlyUsed.end(), it->first))
                ++it;
            else
                it = m_folders.erase(it);
        }
    }
    m_recentlyUsed.clear();
}

void StoreEngine::Close() { m_db->WriteExactMaps(); }

}  // namespace pst
