#include "Page.h"

#include "Bytes.h"
#include "Checksum.h"

namespace korvane::ese {

std::vector<uint8_t> Node::Key() const {
    std::vector<uint8_t> key(prefix, prefix + prefixSize);
    key.insert(key.end(), suffix, suffix + suffixSize);
    return key;
}

int Node::CompareKey(const std::vector<uint8_t>& key) const {
    const uint32_t size = KeySize();
    const uint32_t common = size < key.size() ? size : static_cast<uint32_t>(key.size());
    for (uint32_t i = 0; i < common; ++i) {
        uint8_t a = KeyByte(i), b = key[i];
        if (a != b) return a < b ? -1 : 1;
    }
    if (size == key.size()) return 0;
    return size < key.size() ? -1 : 1;
}

const uint8_t* Page::Prefix(uint32_t& size) const {
    size = tags.empty() ? 0 : tags[0].size;
    return tags.empty() ? nullptr : bytes.data() + tags[0].offset;
}

bool Page::GetNode(size_t i, Node& node, std::string& why) const {
    if (i == 0 || i >= tags.size()) {
        why = "no node " + std::to_string(i);
        return false;
    }
    const Tag& tag = tags[i];
    const uint8_t* p = bytes.data() + tag.offset;
    uint32_t left = tag.size;
    // Large pages keep the node flags in the first word's top three bits.
    const uint16_t sizeMask = bytes.size() > 8192 ? 0x1FFF : 0xFFFF;
    node = Node();
    node.flags = tag.flags;
    if (tag.flags & kNodePrefix) {
        if (left < 4) {
            why = "node " + std::to_string(i) + " is too short for its key sizes";
            return false;
        }
        uint32_t prefixSize = Le16(p) & sizeMask, suffixSize = Le16(p + 2);
        uint32_t available = 0;
        const uint8_t* prefix = Prefix(available);
        if (prefixSize > available || suffixSize > left - 4) {
            why = "node " + std::to_string(i) + "'s key runs past its data";
            return false;
        }
        node.prefix = prefix;
        node.prefixSize = prefixSize;
        node.suffix = p + 4;
        node.suffixSize = suffixSize;
        node.data = p + 4 + suffixSize;
        node.dataSize = left - 4 - suffixSize;
    } else {
        if (left < 2) {
            why = "node " + std::to_string(i) + " is too short for its key size";
            return false;
        }
        uint32_t keySize = Le16(p) & sizeMask;
        if (keySize > left - 2) {
            why = "node " + std::to_string(i) + "'s key runs past its data";
            return false;
        }
        node.suffix = p + 2;
        node.suffixSize = keySize;
        node.data = p + 2 + keySize;
        node.dataSize = left - 2 - keySize;
    }
    return true;
}

void ParsePage(Page& page, uint32_t pageSize, uint32_t /*formatRevision*/) {
    const uint8_t* p = page.bytes.data();
    const bool large = pageSize > 8192;
    const uint32_t headerSize = large ? 80 : 40;
    page.prev = Le32(p + 16);
    page.next = Le32(p + 20);
    page.objectId = Le32(p + 24);
    page.flags = Le32(p + 36);
    if (large && Le32(p + 64) != page.number) {
        page.error = "the extended header names page " + std::to_string(Le32(p + 64));
        return;
    }
    // Large pages reserve the tag count's top four bits for later use.
    uint32_t tagCount = Le16(p + 34) & (large ? 0x0FFF : 0xFFFF);
    if (tagCount == 0 || headerSize + 4ull * tagCount > pageSize) {
        page.error = "its tag count " + std::to_string(tagCount) + " does not fit the page";
        return;
    }
    const uint32_t dataEnd = pageSize - 4 * tagCount;
    const uint16_t mask = large ? 0x7FFF : 0x1FFF;
    page.tags.resize(tagCount);
    for (uint32_t i = 0; i < tagCount; ++i) {
        const uint8_t* t = p + pageSize - 4 * (i + 1);
        uint16_t size = Le16(t), offset = Le16(t + 2);
        Page::Tag& tag = page.tags[i];
        tag.size = size & mask;
        tag.offset = headerSize + (offset & mask);
        if (tag.offset > dataEnd || tag.size > dataEnd - tag.offset) {
            page.error = "tag " + std::to_string(i) + " points past the page's data";
            page.tags.clear();
            return;
        }
        if (large) {
            tag.flags = tag.size >= 2 ? static_cast<uint8_t>(Le16(p + tag.offset) >> 13) : 0;
        } else {
            tag.flags = static_cast<uint8_t>(offset >> 13);
        }
    }
}

PageCache::PageCache(File& file, uint32_t pageSize, uint32_t formatRevision, uint64_t pageCount, size_t budgetBytes)
    : m_file(file), m_pageSize(pageSize), m_revision(formatRevision), m_pageCount(pageCount) {
    m_capacity = budgetBytes / pageSize;
    if (m_capacity < 64) m_capacity = 64;
}

std::shared_ptr<const Page> PageCache::Get(uint32_t number) {
    auto found = m_index.find(number);
    if (found != m_index.end()) {
        m_lru.splice(m_lru.begin(), m_lru, found->second);
        return *found->second;
    }
    auto page = std::make_shared<Page>();
    page->number = number;
    if (number == 0 || number > m_pageCount) {
        page->error = "page " + std::to_string(number) + " is outside the file (" + std::to_string(m_pageCount) +
                      " pages)";
    } else {
        page->bytes.resize(m_pageSize);
        std::string why;
        if (!m_file.ReadAt((static_cast<uint64_t>(number) + 1) * m_pageSize, page->bytes.data(), m_pageSize, why)) {
            page->error = why;
        } else {
            m_bytesRead += m_pageSize;
            PageVerdict verdict;
#ifndef KORVANE_FUZZ_IGNORE_CHECKSUMS
            verdict = VerifyPage(page->bytes.data(), m_pageSize, number);
#endif
            if (verdict.kind == PageVerdict::Kind::Damaged || verdict.kind == PageVerdict::Kind::Uninitialised) {
                page->error = verdict.detail;
            } else {
                if (verdict.kind == PageVerdict::Kind::Corrected) page->correction = verdict.detail;
                ParsePage(*page, m_pageSize, m_revision);
            }
        }
    }
    m_lru.push_front(page);
    m_index[number] = m_lru.begin();
    if (m_lru.size() > m_capacity) {
        m_index.erase(m_lru.back()->number);
        m_lru.pop_back();
    }
    return page;
}

}  // namespace korvane::ese
