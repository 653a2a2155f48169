// Pages, B+ trees and their space trees.
//
// A tree's nodes are packed into leaves in key order; each level above holds
// one node per child, keyed by the shortest prefix of the next child's first
// key that sorts after this child's last key (the last node's key is empty),
// as the engine keys them, until one page remains: that page is written at the tree's
// FDP, the root. Leaves are linked both ways, as readers that walk a table by
// its leaves need. Every tree owns its pages through an owned-extent tree (one
// node per run of pages, keyed by the run's last page, holding its length) and
// has an available-extent tree beside it, empty: nothing is ever freed here.
#include "EseInternal.h"

#include <algorithm>
#include <stdexcept>

namespace esewriter::detail {
namespace {

// The catalog's shadow lives at fixed pages; nothing else may take them.
constexpr uint32_t kShadowFirst = 24;
constexpr uint32_t kShadowLast = 26;

Bytes RootHeader(uint32_t firstExtentPages, uint32_t parentFdp, uint32_t ownedExtentPage) {
    Bytes header;
    PutLittle(header, firstExtentPages, 4);
    PutLittle(header, parentFdp, 4);
    PutLittle(header, 1, 4);  // multiple extents: the space trees below say which
    PutLittle(header, ownedExtentPage, 4);
    return header;
}

std::vector<std::pair<uint32_t, uint32_t>> Runs(std::vector<uint32_t> pages) {
    std::sort(pages.begin(), pages.end());
    std::vector<std::pair<uint32_t, uint32_t>> runs;  // first, count
    for (uint32_t page : pages) {
        if (!runs.empty() && runs.back().first + runs.back().second == page) {
            ++runs.back().second;
        } else {
            runs.push_back({page, 1});
        }
    }
    return runs;
}

void WriteSpaceTrees(PageStore& store, uint32_t objid, uint32_t ownedPage,
                     const std::vector<std::pair<uint32_t, uint32_t>>& ownedRuns,
                     const std::vector<std::pair<uint32_t, uint32_t>>& freeRuns) {
    const uint32_t flags = kPageFormat | kPageRoot | kPageLeaf | kPageSpaceTree;
    const Bytes external(16, 0);
    auto extentNodes = [](const std::vector<std::pair<uint32_t, uint32_t>>& runs) {
        std::vector<Node> nodes;
        for (auto [first, count] : runs) {
            Node node;
            PutBig(node.key, first + count - 1, 4);
            PutLittle(node.data, count, 4);
            nodes.push_back(std::move(node));
        }
        return nodes;
    };
    store.Put(ownedPage, BuildPage(store, ownedPage, objid, flags, 0, 0, external, extentNodes(ownedRuns)));
    store.Put(ownedPage + 1, BuildPage(store, ownedPage + 1, objid, flags, 0, 0, external, extentNodes(freeRuns)));
}

}  // namespace

uint32_t PageStore::Allocate() {
    while (m_next >= kShadowFirst && m_next <= kShadowLast) ++m_next;
    return m_next++;
}

void PageStore::Put(uint32_t pageNumber, Bytes page) { m_pages[pageNumber] = std::move(page); }

Bytes NodeBytes(const Bytes& key, const Bytes& data) {
    Bytes node;
    PutLittle(node, key.size(), 2);
    node.insert(node.end(), key.begin(), key.end());
    node.insert(node.end(), data.begin(), data.end());
    return node;
}

size_t NodeSpace(uint32_t pageSize) { return pageSize - PageHeaderSize(pageSize) - 16 - 4; }

namespace {

// The longest prefix all keys share; sorted keys share what the first and last share.
Bytes SharedPrefix(const std::vector<Node>& nodes) {
    if (nodes.empty()) return {};
    const Bytes& first = nodes.front().key;
    const Bytes& last = nodes.back().key;
    size_t length = 0;
    while (length < first.size() && length < last.size() && first[length] == last[length]) ++length;
    return Bytes(first.begin(), first.begin() + length);
}

// The shortest prefix of `next` that sorts after `last` (last < next).
Bytes Separator(const Bytes& last, const Bytes& next) {
    for (size_t length = 1; length < next.size(); ++length) {
        Bytes prefix(next.begin(), next.begin() + length);
        if (last < prefix) return prefix;
    }
    return next;
}

}  // namespace

Bytes BuildPage(const PageStore& store, uint32_t pageNumber, uint32_t objid, uint32_t flags, uint32_t previous,
                uint32_t next, const Bytes& external, const std::vector<Node>& nodes) {
    const uint32_t pageSize = store.PageSize();
    const bool large = IsLargePage(pageSize);
    const uint32_t headerSize = PageHeaderSize(pageSize);
    const uint32_t offsetMask = large ? 0x7fff : 0x1fff;
    // A prefix shorter than two bytes saves nothing: its length field costs two.
    Bytes prefix = (flags & kPageRoot) ? Bytes() : SharedPrefix(nodes);
    if (prefix.size() < 2) prefix.clear();
    constexpr uint32_t kTagCompressed = 0x4;
    Bytes page(pageSize, 0);
    uint32_t used = 0;
    uint32_t tag = 0;
    auto place = [&](const Bytes& value, uint32_t tagFlags) {
        uint32_t tagAt = pageSize - 4 * (tag + 1);
        if (headerSize + used + value.size() > tagAt || value.size() > offsetMask || used > offsetMask) {
            throw std::runtime_error("page " + std::to_string(pageNumber) + " overflows");
        }
        std::copy(value.begin(), value.end(), page.begin() + headerSize + used);
        SetLittle(&page[tagAt], value.size(), 2);
        // small pages keep a node's flags in the tag, large ones in its first two bytes
        SetLittle(&page[tagAt + 2], used | (large ? 0 : tagFlags << 13), 2);
        used += static_cast<uint32_t>(value.size());
        ++tag;
    };
    place(prefix.empty() ? external : prefix, 0);
    for (const Node& node : nodes) {
        if (prefix.empty()) {
            place(NodeBytes(node.key, node.data), 0);
            continue;
        }
        Bytes value;
        PutLittle(value, prefix.size() | (large ? kTagCompressed << 13 : 0), 2);
        PutLittle(value, node.key.size() - prefix.size(), 2);
        value.insert(value.end(), node.key.begin() + prefix.size(), node.key.end());
        value.insert(value.end(), node.data.begin(), node.data.end());
        place(value, kTagCompressed);
    }
    SetLittle(&page[8], store.databaseTime, 8);
    SetLittle(&page[16], previous, 4);
    SetLittle(&page[20], next, 4);
    SetLittle(&page[24], objid, 4);
    SetLittle(&page[28], pageSize - headerSize - used - 4 * tag, 2);
    SetLittle(&page[32], used, 2);
    SetLittle(&page[34], tag, 2);
    SetLittle(&page[36], flags, 4);
    SealPage(page.data(), pageSize, pageNumber);
    return page;
}

Tree ReserveTree(PageStore& store, uint32_t objid, uint32_t parentFdp, uint32_t flags) {
    Tree tree;
    tree.objid = objid;
    tree.parentFdp = parentFdp;
    tree.flags = flags;
    // the space trees sit right after the root, so a tree never straddles the shadow's pages
    tree.fdp = store.Allocate();
    while (tree.fdp < kShadowFirst && tree.fdp + 2 >= kShadowFirst) tree.fdp = store.Allocate();
    store.Allocate();
    store.Allocate();
    tree.owned = {tree.fdp, tree.fdp + 1, tree.fdp + 2};
    return tree;
}

Tree FixedTree(uint32_t objid, uint32_t parentFdp, uint32_t fdp) {
    Tree tree;
    tree.objid = objid;
    tree.parentFdp = parentFdp;
    tree.fdp = fdp;
    tree.owned = {fdp, fdp + 1, fdp + 2};
    return tree;
}

void BuildTree(PageStore& store, Tree& tree, const std::vector<Node>& nodes) {
    const size_t space = NodeSpace(store.PageSize());
    struct Pending {
        Bytes firstKey;
        Bytes lastKey;  // of the whole subtree: a branch's own last key is empty
        std::vector<Node> nodes;
    };
    // Leaves first: greedy packing in key order.
    std::vector<Pending> level;
    size_t free = 0;
    for (const Node& node : nodes) {
        // packed at their uncompressed size: a shared prefix only ever leaves more room
        size_t cost = 2 + node.key.size() + node.data.size() + 4;
        if (cost > space) throw std::runtime_error("a record of " + std::to_string(cost) + " bytes exceeds a page");
        if (level.empty() || cost > free) {
            level.push_back({node.key, {}, {}});
            free = space;
        }
        level.back().lastKey = node.key;
        level.back().nodes.push_back(node);
        free -= cost;
    }
    if (level.empty()) level.push_back({});
    uint32_t kindFlags = tree.flags;
    bool leaves = true;
    while (true) {
        const bool root = level.size() == 1;
        std::vector<uint32_t> numbers;
        for (size_t i = 0; i < level.size(); ++i) {
            numbers.push_back(root ? tree.fdp : store.Allocate());
            if (!root) tree.owned.push_back(numbers.back());
        }
        const uint32_t levelFlags = kPageFormat | kindFlags | (leaves ? kPageLeaf : 0) | (root ? kPageRoot : 0);
        std::vector<Pending> parents;
        size_t parentFree = 0;
        for (size_t i = 0; i < level.size(); ++i) {
            uint32_t previous = (leaves && i > 0) ? numbers[i - 1] : 0;
            uint32_t next = (leaves && i + 1 < level.size()) ? numbers[i + 1] : 0;
            Bytes external;
            if (root) {
                // the root's external header names its first extent, known now
                // that every page of the tree has its number
                auto runs = Runs(tree.owned);
                external = RootHeader(runs.front().second, tree.parentFdp, tree.fdp + 1);
                WriteSpaceTrees(store, tree.objid, tree.fdp + 1, runs, {});
            }
            store.Put(numbers[i],
                      BuildPage(store, numbers[i], tree.objid, levelFlags, previous, next, external, level[i].nodes));
            if (root) return;
            Node branch;
            if (i + 1 < level.size()) branch.key = Separator(level[i].lastKey, level[i + 1].firstKey);
            PutLittle(branch.data, numbers[i], 4);
            size_t cost = 2 + branch.key.size() + branch.data.size() + 4;
            if (parents.empty() || cost > parentFree) {
                parents.push_back({level[i].firstKey, {}, {}});
                parentFree = space;
            }
            parents.back().lastKey = level[i].lastKey;
            parents.back().nodes.push_back(std::move(branch));
            parentFree -= cost;
        }
        level = std::move(parents);
        kindFlags = tree.flags | (leaves ? kPageParentOfLeaf : 0);
        leaves = false;
    }
}

void BuildDatabaseRoot(PageStore& store) {
    const uint32_t last = store.LastPage();
    std::vector<uint32_t> unused;
    for (uint32_t page = 4; page <= last; ++page) {
        if (!store.Has(page)) unused.push_back(page);
    }
    store.Put(1, BuildPage(store, 1, 1, kPageFormat | kPageRoot | kPageLeaf, 0, 0, RootHeader(last, 0, 2), {}));
    WriteSpaceTrees(store, 1, 2, {{1, last}}, Runs(unused));
    for (uint32_t page : unused) {
        // never used, as a fresh database's preallocated pages are: all zero
        store.Put(page, Bytes(store.PageSize(), 0));
    }
}

}  // namespace esewriter::detail
