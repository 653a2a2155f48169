#pragma once
// Database pages and the bounded cache they are read through.
//
// Page layout: a 40-byte header (80 bytes on pages over 8 KiB, which add three
// block checksums and the page number), node data from the header on, and at
// the page's end an array of 4-byte tags, tag 0 last, each naming one node's
// offset (from the header's end) and size. Tag 0 holds the page's common key
// prefix (or, on root pages, the tree's space header). Pages up to 8 KiB keep
// three node flags in the top bits of the tag's offset; larger pages keep them
// in the top bits of the node's first 16-bit word.
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ese/File.h"

namespace korvane::ese {

enum PageFlag : uint32_t {
    kPageRoot = 0x1,
    kPageLeaf = 0x2,
    kPageParent = 0x4,
    kPageEmpty = 0x8,
    kPageSpaceTree = 0x20,
    kPageIndex = 0x40,
    kPageLongValue = 0x80,
};

enum NodeFlag : uint8_t {
    kNodeVersion = 0x1,
    kNodeDeleted = 0x2,
    kNodePrefix = 0x4,  // the key starts with part of the page's common prefix
};

struct Node {
    uint8_t flags = 0;
    const uint8_t* prefix = nullptr;  // the shared part of the key, from tag 0
    uint32_t prefixSize = 0;
    const uint8_t* suffix = nullptr;
    uint32_t suffixSize = 0;
    const uint8_t* data = nullptr;
    uint32_t dataSize = 0;

    uint32_t KeySize() const { return prefixSize + suffixSize; }
    uint8_t KeyByte(uint32_t i) const { return i < prefixSize ? prefix[i] : suffix[i - prefixSize]; }
    std::vector<uint8_t> Key() const;
    // <0, 0, >0 as the key sorts before, equal to or after `key` (bytewise, shorter first).
    int CompareKey(const std::vector<uint8_t>& key) const;
};

struct Page {
    uint32_t number = 0;
    std::vector<uint8_t> bytes;
    std::string error;       // set: the page cannot be used, and why
    std::string correction;  // set: a flipped bit was corrected in memory
    uint32_t prev = 0, next = 0, objectId = 0, flags = 0;

    bool Has(uint32_t flag) const { return (flags & flag) != 0; }
    size_t NodeCount() const { return tags.size() > 0 ? tags.size() - 1 : 0; }  // tag 0 is no node
    // Node i (1-based like the tags); false with the reason for a node whose
    // sizes do not fit its tag.
    bool GetNode(size_t i, Node& node, std::string& why) const;
    // Tag 0's bytes: the common key prefix of the page's nodes.
    const uint8_t* Prefix(uint32_t& size) const;

    struct Tag {
        uint32_t offset;  // from the page's start
        uint32_t size;
        uint8_t flags;
    };
    std::vector<Tag> tags;
};

// Parses header and tags of a verified page; sets page.error when they do not fit.
void ParsePage(Page& page, uint32_t pageSize, uint32_t formatRevision);

class PageCache {
public:
    PageCache(File& file, uint32_t pageSize, uint32_t formatRevision, uint64_t pageCount, size_t budgetBytes);
    // The page, verified and parsed; a page that could not be read or is damaged
    // comes back with its error set (never null).
    std::shared_ptr<const Page> Get(uint32_t number);
    uint64_t PageCount() const { return m_pageCount; }
    uint64_t BytesRead() const { return m_bytesRead; }

private:
    File& m_file;
    uint32_t m_pageSize;
    uint32_t m_revision;
    uint64_t m_pageCount;
    size_t m_capacity;
    uint64_t m_bytesRead = 0;
    std::list<std::shared_ptr<Page>> m_lru;  // most recent first
    std::unordered_map<uint32_t, std::list<std::shared_ptr<Page>>::iterator> m_index;
};

}  // namespace korvane::ese
