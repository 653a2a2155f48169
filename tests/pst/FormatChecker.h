#pragma once
// An independent structural check of a PST file, for what no reader verifies
// but Outlook and its repair tool do: header, page and block checksums and
// signatures, trailer BIDs against the BREFs and BBT entries, key order, every
// block referenced exactly once (nothing leaked, nothing shared by mistake),
// no two structures overlapping, and allocation maps declared valid that mark
// every byte the header reaches. How exact the maps must be depends on how the
// writer stopped: after Close() they equal the space in use; a store that was
// not closed may still mark what its last commit released (counted by
// LeakedBytes()); one that died mid-commit may hold map pages of the commit
// that did not finish, even torn ones, only while the header declares the maps
// invalid: then only their coverage is checked; maps declared valid must be
// sound and agree with the header's free total however the writer stopped.
// It parses the bytes itself and uses its own bitwise CRC, so it shares no
// code with the engine.

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pst_test {

class FormatChecker {
public:
    enum class Ending { Closed, NotClosed, Crashed };
    explicit FormatChecker(const std::vector<uint8_t>& file, Ending ending = Ending::Closed)
        : m_file(file), m_ending(ending) {
        Check();
    }

    const std::vector<std::string>& Problems() const { return m_problems; }
    // NBT parent links: parent NID -> child NIDs (the root folder excluded from its own children).
    const std::map<uint32_t, std::vector<uint32_t>>& Children() const { return m_children; }
    size_t BlockCount() const { return m_blocks.size(); }
    // The stored data of a block from the BBT (empty if there is none).
    std::vector<uint8_t> BlockData(uint64_t bid) const {
        auto it = m_blocks.find(bid);
        if (it == m_blocks.end() || it->second.ib + it->second.cb > m_file.size()) return {};
        return std::vector<uint8_t>(m_file.begin() + static_cast<std::ptrdiff_t>(it->second.ib),
                                    m_file.begin() + static_cast<std::ptrdiff_t>(it->second.ib + it->second.cb));
    }
    // Bytes the maps mark although nothing reachable lives there.
    uint64_t LeakedBytes() const { return m_leakedUnits * 64; }
    // Node id -> (data BID, subnode BID).
    const std::map<uint32_t, std::pair<uint64_t, uint64_t>>& Nodes() const { return m_nodes; }
    // The stored data sizes of every block reachable from `bid` (XBLOCK and subnode trees followed).
    uint64_t ReachableBytes(uint64_t bid) const {
        auto it = m_blocks.find(bid);
        if (bid == 0 || it == m_blocks.end()) return 0;
        uint64_t total = it->second.cb;
        if (!(bid & 2)) return total;
        uint64_t at = it->second.ib;
        uint8_t type = m_file[at], level = m_file[at + 1];
        size_t count = U16(at + 2);
        for (size_t i = 0; i < count; ++i) {
            if (type == 0x01) {
                total += ReachableBytes(U64(at + 8 + 8 * i));
            } else if (level == 0) {
                total += ReachableBytes(U64(at + 16 + 24 * i)) + ReachableBytes(U64(at + 24 + 24 * i));
            } else {
                total += ReachableBytes(U64(at + 16 + 16 * i));
            }
        }
        return total;
    }

    // The PST CRC, bit by bit.
    static uint32_t Crc(const uint8_t* p, size_t n) {
        uint32_t c = 0;
        for (size_t i = 0; i < n; ++i) {
            c ^= p[i];
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ ((c & 1) ? 0xEDB88320u : 0u);
        }
        return c;
    }

private:
    struct Block {
        uint64_t ib;
        uint32_t cb;
        int references = 0;
    };

    static uint16_t Sig(uint64_t ib, uint64_t bid) {
        uint64_t x = ib ^ bid;
        return static_cast<uint16_t>((x >> 16) ^ (x & 0xFFFF));
    }
    uint16_t U16(uint64_t at) const { return static_cast<uint16_t>(m_file[at] | (m_file[at + 1] << 8)); }
    uint32_t U32(uint64_t at) const { return U16(at) | (static_cast<uint32_t>(U16(at + 2)) << 16); }
    uint64_t U64(uint64_t at) const { return U32(at) | (static_cast<uint64_t>(U32(at + 4)) << 32); }
    void Problem(const std::string& p) {
        if (m_problems.size() < 50) m_problems.push_back(p);
    }
    void Claim(uint64_t ib, uint64_t size, const char* what) {
        if (ib + size > m_file.size() || ib < 0x4400) {
            Problem(std::string(what) + " outside the file at " + std::to_string(ib));
            return;
        }
        for (uint64_t u = (ib - 0x4400) / 64; u < (ib - 0x4400 + size + 63) / 64; ++u) {
            if (m_used[u]) Problem(std::string(what) + " overlaps other data at " + std::to_string(ib));
            m_used[u] = true;
        }
    }

    void Check() {
        if (m_file.size() < 0x4400 + 512 || std::memcmp(m_file.data(), "!BDN", 4) != 0) {
            Problem("not a PST");
            return;
        }
        if (U32(4) != Crc(&m_file[8], 471)) Problem("header partial CRC");
        if (U32(524) != Crc(&m_file[8], 516)) Problem("header full CRC");
        uint64_t eof = U64(184);
        // Longer is possible after a crash: an interval being added before its commit.
        if (eof > m_file.size())
            Problem("ibFileEof " + std::to_string(eof) + " past the end " + std::to_string(m_file.size()));
        m_used.assign(static_cast<size_t>((m_file.size() - 0x4400) / 64 + 1), false);
        uint64_t intervals = (eof - 0x4400) / 0x3E000;
        for (uint64_t k = 0; k < intervals; ++k) {
            uint64_t base = 0x4400 + k * 0x3E000;
            Claim(base, 512, "AMap");
            if (k % 8 == 0) Claim(base + 512, 512, "PMap");
            if ((k >= 128 && (k - 128) % 496 == 0) || (k >= 8192 && (k - 8192) % 31744 == 0))
                Claim(base + 1024, 512, "FMap");
        }
        WalkTree(U64(216), U64(224), 0x81, -1, 0, true);
        WalkTree(U64(232), U64(240), 0x80, -1, 0, false);
        for (auto& b : m_blocks) CheckBlock(b.first, b.second);
        for (const auto& n : m_nodes) {
            Reference(n.second.first, "node data");
            Reference(n.second.second, "node subnodes");
        }
        for (const auto& b : m_blocks)
            if (b.second.references != 1)
                Problem("block " + std::to_string(b.first) + " referenced " + std::to_string(b.second.references) +
                        " times");
        // A writer that died while rewriting map pages leaves them declared invalid.
        m_mapsValid = m_file[248] == 2;
        if (!m_mapsValid && (m_ending != Ending::Crashed || m_file[248] != 0))
            Problem("fAMapValid is " + std::to_string(m_file[248]) + ", not VALID_AMAP2");
        CheckMaps(intervals);
    }

    void WalkTree(uint64_t bid, uint64_t ib, uint8_t ptype, int expectLevel, uint64_t expectFirst, bool nodes) {
        if (ib + 512 > m_file.size()) {
            Problem("page outside file");
            return;
        }
        const uint8_t* p = &m_file[ib];
        if (p[496] != ptype || p[497] != ptype) Problem("page type at " + std::to_string(ib));
        if (U64(ib + 504) != bid) Problem("page trailer BID differs from its BREF at " + std::to_string(ib));
        if (U16(ib + 498) != Sig(ib, bid)) Problem("page signature at " + std::to_string(ib));
        if (U32(ib + 500) != Crc(p, 496)) Problem("page CRC at " + std::to_string(ib));
        Claim(ib, 512, "page");
        int level = p[491];
        size_t count = p[488], size = p[490];
        if (expectLevel >= 0 && level != expectLevel) Problem("page level at " + std::to_string(ib));
        size_t want = level ? 24 : (nodes ? 32 : 24);
        if (size != want || count * size > 488 || count > p[489]) {
            Problem("page entry layout at " + std::to_string(ib));
            return;
        }
        uint64_t previous = 0;
        for (size_t i = 0; i < count; ++i) {
            uint64_t at = ib + i * size;
            uint64_t key = U64(at);
            if (i > 0 && key <= previous) Problem("keys out of order at " + std::to_string(ib));
            if (i == 0 && expectLevel >= 0 && key != expectFirst)
                Problem("parent key differs from child's first at " + std::to_string(ib));
            previous = key;
            if (level > 0) {
                WalkTree(U64(at + 8), U64(at + 16), ptype, level - 1, key, nodes);
            } else if (nodes) {
                uint32_t nid = static_cast<uint32_t>(key), parent = U32(at + 24);
                m_nodes[nid] = std::make_pair(U64(at + 8), U64(at + 16));
                if (parent && parent != nid) m_children[parent].push_back(nid);
            } else {
                m_blocks[key] = Block{U64(at + 8), U16(at + 16)};
            }
        }
    }

    void CheckBlock(uint64_t bid, Block& b) {
        uint64_t disk = (b.cb + 16 + 63) / 64 * 64;
        if (b.ib + disk > m_file.size()) {
            Problem("block outside file");
            return;
        }
        Claim(b.ib, disk, "block");
        uint64_t t = b.ib + disk - 16;
        if (U16(t) != b.cb) Problem("block trailer size differs from BBT for " + std::to_string(bid));
        if (U16(t + 2) != Sig(b.ib, bid)) Problem("block signature of " + std::to_string(bid));
        if (U32(t + 4) != Crc(&m_file[b.ib], b.cb)) Problem("block CRC of " + std::to_string(bid));
        if (U64(t + 8) != bid) Problem("block trailer BID of " + std::to_string(bid));
    }

    // Counts one reference to `bid` and follows internal blocks to their children.
    void Reference(uint64_t bid, const char* what) {
        if (bid == 0) return;
        auto it = m_blocks.find(bid);
        if (it == m_blocks.end()) {
            Problem(std::string(what) + " " + std::to_string(bid) + " missing from the BBT");
            return;
        }
        if (++it->second.references > 1 || !(bid & 2)) return;
        uint64_t at = it->second.ib;
        uint8_t type = m_file[at], level = m_file[at + 1];
        size_t count = U16(at + 2);
        if (type == 0x01) {
            uint64_t total = 0;
            for (size_t i = 0; i < count; ++i) {
                uint64_t child = U64(at + 8 + 8 * i);
                Reference(child, "XBLOCK entry");
                auto c = m_blocks.find(child);
                if (c != m_blocks.end()) total += level == 1 ? c->second.cb : U32(c->second.ib + 4);
            }
            if (total != U32(at + 4)) Problem("XBLOCK lcbTotal of " + std::to_string(bid));
        } else if (type == 0x02 && level == 0) {
            uint32_t previous = 0;
            for (size_t i = 0; i < count; ++i) {
                uint32_t nid = U32(at + 8 + 24 * i);
                if (i && nid <= previous) Problem("subnodes out of order in " + std::to_string(bid));
                previous = nid;
                Reference(U64(at + 16 + 24 * i), "subnode data");
                Reference(U64(at + 24 + 24 * i), "subnode subnodes");
            }
        } else if (type == 0x02) {
            for (size_t i = 0; i < count; ++i) Reference(U64(at + 16 + 16 * i), "SIBLOCK entry");
        } else {
            Problem("unknown internal block " + std::to_string(bid));
        }
    }

    void CheckMaps(uint64_t intervals) {
        uint64_t clear = 0;
        std::vector<uint64_t> longestFree(intervals, 0);
        for (uint64_t k = 0; k < intervals; ++k) {
            uint64_t base = 0x4400 + k * 0x3E000;
            // A write torn by the failure may have cut a map page; its bits must still cover.
            bool sound =
                m_file[base + 496] == 0x84 && U64(base + 504) == base && U32(base + 500) == Crc(&m_file[base], 496);
            if (!sound && m_mapsValid) Problem("AMap page of interval " + std::to_string(k));
            uint64_t run = 0;
            for (uint64_t i = 0; i < 3968; ++i) {
                bool bit = (m_file[base + i / 8] & (0x80 >> (i % 8))) != 0;
                uint64_t u = k * 3968 + i;
                bool used = u < m_used.size() && m_used[u];
                if (used && !bit) Problem("AMap bit clear for data at offset " + std::to_string(base + 64 * i));
                if (bit && !used) ++m_leakedUnits;
                clear += bit ? 0 : 1;
                run = bit ? 0 : run + 1;
                longestFree[k] = std::max(longestFree[k], run);
            }
        }
        if (m_ending == Ending::Closed && m_leakedUnits)
            Problem("a closed store's maps mark " + std::to_string(m_leakedUnits * 64) + " bytes nothing uses");
        // Maps declared valid must agree with the header whatever stopped the
        // writer: a client that trusts them takes the header's figures too.
        if (!m_mapsValid) return;
        if (U64(200) != 64 * clear)
            Problem("cbAMapFree " + std::to_string(U64(200)) + " differs from the maps' " + std::to_string(64 * clear));
        if (U64(208) != 0) Problem("cbPMapFree is not 0 although the PMaps say nothing");
        for (uint64_t k = 128; k < intervals; k += 496) {
            uint64_t at = 0x4400 + k * 0x3E000 + 1024;
            if (m_file[at + 496] != 0x82 || U32(at + 500) != Crc(&m_file[at], 496))
                Problem("FMap page at interval " + std::to_string(k));
            for (uint64_t i = 0; i < 496; ++i) {
                uint64_t want = k + i < intervals ? std::min<uint64_t>(255, longestFree[k + i]) : 0;
                if (m_file[at + i] != want) {
                    Problem("FMap byte of interval " + std::to_string(k + i) + " is " + std::to_string(m_file[at + i]) +
                            ", the map's longest free run " + std::to_string(want));
                    break;
                }
            }
        }
    }

    const std::vector<uint8_t>& m_file;
    Ending m_ending;
    bool m_mapsValid = false;
    uint64_t m_leakedUnits = 0;
    std::vector<std::string> m_problems;
    std::vector<bool> m_used;
    std::map<uint64_t, Block> m_blocks;
    std::map<uint32_t, std::pair<uint64_t, uint64_t>> m_nodes;
    std::map<uint32_t, std::vector<uint32_t>> m_children;
};

}  // namespace pst_test
