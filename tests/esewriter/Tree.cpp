// Pages, B+ trees and their space trees.
//
// A tree's nodes are packed into leaves in key order; each level above holds
// one node per child, keyed by the first key of the next child (the last node's
// key is empty), until one page remains: that page is written at the tree's
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
        std::vector<Bytes> nodes;
        for (auto [first, count] : runs) {
            Bytes key, data;
            PutBig(key, first + count - 1, 4);
            PutLittle(data, count, 4);
            nodes.push_back(NodeBytes(key, data));
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

Bytes BuildPage(const PageStore& store, uint32_t pageNumber, uint32_t objid, uint32_t flags, uint32_t previous,
                uint32_t next, const Bytes& external, const std::vector<Bytes>& nodes) {
    const uint32_t pageSize = store.PageSize();
    const uint32_t headerSize = PageHeaderSize(pageSize);
    const uint32_t offsetMask = IsLargePage(pageSize) ? 0x7fff : 0x1fff;
    Bytes page(pageSize, 0);
    uint32_t used = 0;
    uint32_t tag = 0;
    auto place = [&](const Bytes& value) {
        uint32_t tagAt = pageSize - 4 * (tag + 1);
        if (headerSize + used + value.size() > tagAt || value.size() > offsetMask || used > offsetMask) {
            throw std::runtime_error("page " + std::to_string(pageNumber) + " overflows");
        }
        std::copy(value.begin(), value.end(), page.begin() + headerSize + used);
        SetLittle(&page[tagAt], value.size(), 2);
        SetLittle(&page[tagAt + 2], used, 2);
        used += static_cast<uint32_t>(value.size());
        ++tag;
    };
    place(external);
    for (const Bytes& node : nodes) place(node);
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
        std::vector<Bytes> nodes;
    };
    // Leaves first: greedy packing in key order.
    std::vector<Pending> level;
    size_t free = 0;
    for (const Node& node : nodes) {
        Bytes bytes = NodeBytes(node.key, node.data);
        size_t cost = bytes.size() + 4;
        if (cost > space)
            throw std::runtime_error("a record of " + std::to_string(bytes.size()) + " bytes exceeds a page");
        if (level.empty() || cost > free) {
            level.push_back({node.key, {}});
            free = space;
        }
        level.back().nodes.push_back(std::move(bytes));
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
            Bytes separator = i + 1 < level.size() ? level[i + 1].firstKey : Bytes();
            Bytes child;
            PutLittle(child, numbers[i], 4);
            Bytes bytes = NodeBytes(separator, child);
            size_t cost = bytes.size() + 4;
            if (parents.empty() || cost > parentFree) {
                parents.push_back({level[i].firstKey, {}});
                parentFree = space;
            }
            parents.back().nodes.push_back(std::move(bytes));
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
