#pragma once
// A copy-on-write B-tree of 512-byte pages: the node B-tree (NBT) or the block
// B-tree (BBT) of [MS-PST] 2.2.2.7.7. A change never touches a committed page:
// the path from the root to the changed leaf is copied into memory ("dirty"
// pages) and written to fresh space by Commit(), which returns the new root.
// Committed pages are read on demand through a bounded cache, so memory does
// not grow with the tree.

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "ndb/Format.h"
#include "util/Bytes.h"

namespace pst {

// One leaf record. NBT: key = nid, v1 = bidData, v2 = bidSub, v3 = nidParent.
// BBT: key = bid, v1 = ib, v2 = cb, v3 = cRef.
struct BtRecord {
    uint64_t key = 0;
    uint64_t v1 = 0;
    uint64_t v2 = 0;
    uint64_t v3 = 0;
};

// Where the tree's pages live; implemented by the Database.
class PageDevice {
public:
    virtual ~PageDevice() = default;
    virtual void ReadPage(uint64_t ib, uint8_t* page) = 0;
    // A fresh page BID and 512 bytes of space that is free in the committed state.
    virtual BlockRef AllocatePage() = 0;
    virtual void WritePage(uint64_t ib, Bytes page) = 0;
    // The committed page at `ib` is superseded by the commit in progress.
    virtual void ReleasePage(uint64_t ib) = 0;
};

class PageBTree {
public:
    PageBTree(bool isNodeTree, PageDevice& device) : m_isNodeTree(isNodeTree), m_device(device) {}

    // An empty tree: one empty leaf page, written by the next Commit().
    void InitEmpty();
    void SetRoot(const BlockRef& root) { m_root = root; }

    bool Find(uint64_t key, BtRecord& out);
    // Inserts the record or replaces the one with the same key.
    void Put(const BtRecord& record);
    // Removes the record with `key`; returns false if there is none.
    bool Erase(uint64_t key, BtRecord* removed);

    BlockRef Commit();

    // Visits every committed page and leaf record (used to rebuild the allocation map).
    void Walk(const std::function<void(uint64_t pageIb)>& onPage, const std::function<void(const BtRecord&)>& onRecord);

private:
    struct Page {
        uint64_t bid = 0;  // of the committed page; 0 while dirty
        uint8_t level = 0;
        std::vector<BtRecord> records;  // intermediate: key, v1 = child bid, v2 = child ib
    };
    struct Change {
        BlockRef ref;
        uint64_t firstKey = 0;
        bool empty = false;
        bool split = false;
        uint64_t splitKey = 0;
        BlockRef splitRef;
    };
    enum class Op { Put, Erase };

    static bool IsDirty(const BlockRef& r) { return (r.bid & kDirtyMark) != 0; }
    static constexpr uint64_t kDirtyMark = 1ull << 63;

    // `parentLevel` is the level of the page that names `ref`, -1 for the root:
    // a child must sit exactly one level below its parent.
    std::shared_ptr<const Page> Load(const BlockRef& ref);
    void CheckLevel(const Page& page, const BlockRef& ref, int parentLevel) const;
    const Page& View(const BlockRef& ref, std::shared_ptr<const Page>& holder, int parentLevel);
    Page& MakeDirty(BlockRef& ref, int parentLevel);
    BlockRef NewDirty(Page page);
    Change Modify(BlockRef ref, int parentLevel, const BtRecord& record, Op op, bool& found, BtRecord* removed);
    size_t MaxRecords(uint8_t level) const;
    BlockRef CommitPage(const BlockRef& ref);
    Bytes Serialize(const Page& page, const BlockRef& at) const;
    Page Parse(const uint8_t* raw, const BlockRef& ref) const;
    void WalkPage(const BlockRef& ref, int parentLevel, const std::function<void(uint64_t)>& onPage,
                  const std::function<void(const BtRecord&)>& onRecord);

    bool m_isNodeTree;
    PageDevice& m_device;
    BlockRef m_root;
    std::unordered_map<uint64_t, Page> m_dirty;  // by dirty id
    uint64_t m_nextDirtyId = 1;
    std::unordered_map<uint64_t, std::shared_ptr<const Page>> m_cache;  // committed pages by ib
};

}  // namespace pst
