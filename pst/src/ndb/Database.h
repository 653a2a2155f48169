#pragma once
// The node database (NDB) of [MS-PST] 2.2: blocks, data trees, subnode trees
// and nodes, kept in two copy-on-write page B-trees, with the header as the
// only commit point.
//
// ON-DISK INVARIANTS (true at every instant, whatever write is in flight):
//  1. The header on disk names an NBT and a BBT root; every page and block
//     reachable from them is complete and is never written again while a
//     committed header can reach it. New data always goes to space that is
//     free in the committed state; space a commit stops using is released to
//     the allocator only after that commit's header is written.
//  2. Anything past the committed roots (pages and blocks of an operation that
//     had not committed, map pages of intervals being added) is unreachable
//     garbage that no reader visits.
//  3. The allocation maps on disk (AMaps, and FMaps past 32 MB) mark every
//     page and block any header ever written can reach, at every instant, and
//     every commit's header says fAMapValid = VALID_AMAP2: [MS-PST]'s notes say Outlook
//     2013 and later ignore the flag and trust the maps, so a store that is
//     never closed (a killed or terminated process) must not offer our blocks
//     as free space. A commit writes the map pages of the intervals it changed
//     together with its data, before its header: they mark its new space and
//     still mark the space it releases, which becomes free in the maps only
//     with the next commit. A crash can therefore leak space (the unfinished
//     commit's new blocks, the last commit's releases) but never offer space
//     in use; Open() rebuilds the map from the trees and rewrites the pages
//     that differ, so leaks end with the next session's first commit. Map
//     pages cannot be written together with the header, so while a commit
//     rewrites pages the header counts, the header on disk first says
//     fAMapValid = 0 (see WriteDataAndMaps): maps declared valid always agree
//     with the header's cbAMapFree.
//
// COMMIT ORDER (Commit()): (1) the operation's new blocks, the copied B-tree
// paths and the changed map pages are written, merged into as few writes as
// possible (new data to fresh space, map pages in place); when map pages the
// committed header counts change, the data goes first (flushed when the
// commit is durable), then that header again with fAMapValid = 0, then the
// map pages; (2) when the commit
// is durable (every commit with flushEachCommit; with a flushInterval, the
// first commit once the interval has passed), flush; (3) the 564-byte header,
// one write at offset 0, naming the new roots, counters, end of file and the
// maps' free space; (4) when durable, flush again; (5) the space of superseded
// pages and blocks becomes reusable, except, under a flushInterval, space the
// last durable header reaches, which waits for the next durable commit.
//
// DURABILITY: a process that is killed loses nothing that Commit() returned
// for, because every write has reached the operating system by then and the
// header is written last in one call. A power cut is different: without
// flushEachCommit the operating system may write the header before the data
// it points to, or lose recent commits, so the file can end up unreadable; a
// torn map page differs from the map Open() rebuilds and is rewritten.
// flushEachCommit makes each commit durable at the price of two disk flushes
// per operation: on the development VM pst_bench --fsync adds about 0.4 ms per
// message (about 2,000 messages/s instead of about 12,000). Keeping the maps
// valid at every commit costs the AMap pages of the intervals a commit
// allocates in and the FMap pages whose bytes change. The allocator looks
// near its last allocation first, so a message's blocks and B-tree pages
// fall in about 1.7 intervals (8.5 with plain best fit, 880 instead of 4,470
// bytes of map pages per message at 20,000 messages, for a file about 8
// percent larger: holes far from the cursor wait longer for reuse). pst_bench
// (100,000 messages) writes 35.4 instead of 30.6 KB per message and runs 15 to
// 30 percent slower, about 40 us more per message (6,800 instead of 9,350 and
// 2,960 instead of 3,430 messages/s in back-to-back runs on the shared VM).
// A flushInterval is the middle way the conversion component takes (five
// seconds): a commit at least that long after the last durable one is made
// durable, and until then the space the durable header reaches is held back
// from reuse (SpaceMap::HoldDurableSpace), so whatever part of the later
// writes a power cut keeps, every block of the durable commit is still in
// place: the file holds the durable state, or a later one when its header and
// data made it, or is refused (a header ahead of its data) with the durable
// state's blocks intact for a repair. Only space allocated before the durable
// commit is held, at most 16 MB before a commit is made durable early, so the
// file does not grow for it: pst_bench (30,000 messages, back to back on the
// shared VM) 4,171 messages/s and 184.1 MB without, 4,371 and 184.1 MB with
// five seconds, 4,229 and 184.4 MB with one second.
// Close() always flushes. What remains is the header itself: it spans two
// 512-byte sectors, and a power cut while it is being written can leave it
// torn. Its checksums then fail and Open() refuses the whole file, although
// every block of the last and of the previous commit is intact on disk: a torn
// header costs the store until a repair tool rebuilds the header from the
// trees, never its data. Every read checks what it reads (trailers, checksums,
// bounds), so a file damaged by a cut without flushEachCommit is refused in
// the same way rather than read back wrong (short of a 32-bit checksum
// collision).
//
// A failure (a failed write, a full disk) throws out of the operation; the
// caller must then stop using this Database: its memory may be ahead of the
// file, and the file is still at its last committed state.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "ndb/Format.h"
#include "ndb/Header.h"
#include "ndb/PageBTree.h"
#include "ndb/SpaceMap.h"
#include "pst/File.h"
#include "pst/Store.h"
#include "util/Bytes.h"

namespace pst {

class Database : private PageDevice {
public:
    // `file` must be empty or unfinished.
    static std::unique_ptr<Database> CreateNew(std::unique_ptr<File> file, const StoreOptions& options);
    // True for an empty file or one whose creation was killed before its first
    // commit (a header naming no trees): such a file holds nothing.
    static bool IsUnfinished(File& file);
    // Throws with a reader-facing reason when the file is not a PST this engine can append to.
    static std::unique_ptr<Database> OpenExisting(std::unique_ptr<File> file, const StoreOptions& options);

    // Blocks ([MS-PST] 2.2.2.8). Data blocks carry at most kMaxBlockData bytes.
    uint64_t WriteBlock(const uint8_t* data, size_t size, bool internal);
    // Fails when the block is missing, lies outside the file, or its trailer or
    // checksum does not match: damaged bytes are never handed out.
    Bytes ReadBlock(uint64_t bid);
    // The size the block tree records, without reading the block.
    size_t BlockSize(uint64_t bid);
    void FreeBlock(uint64_t bid);

    // Data trees: one block, or an XBLOCK / XXBLOCK over full 8176-byte blocks.
    uint64_t WriteStream(const uint8_t* data, size_t size);
    uint64_t WriteStream(const Bytes& data) { return WriteStream(data.data(), data.size()); }
    Bytes ReadStream(uint64_t bid);
    void FreeStream(uint64_t bid);

    // Subnode trees (SLBLOCK, or SIBLOCK over SLBLOCKs); 0 = no subnodes.
    uint64_t WriteSubnodes(std::vector<SubnodeEntry> entries);
    std::vector<SubnodeEntry> ReadSubnodes(uint64_t bid);
    // Frees the SLBLOCK/SIBLOCK structure but not the data it points to.
    void FreeSubnodeBlocks(uint64_t bid);
    // Frees the structure and every stream and nested subnode tree below it.
    void FreeSubnodeTree(uint64_t bid);

    // The stored data bytes (trailers and padding not counted) of every block
    // of a data tree, or of a subnode tree with all its streams and nested trees.
    uint64_t StreamBytes(uint64_t bid);
    uint64_t SubnodeTreeBytes(uint64_t bid);

    bool FindNode(uint32_t nid, NodeEntry& out);
    NodeEntry GetNode(uint32_t nid);
    void PutNode(const NodeEntry& node);
    // A node id of `type` above the counter that no node holds yet.
    uint32_t AllocateNid(uint32_t type);
    uint32_t NidCounter(uint32_t type) const { return m_header.nidCounters[type]; }
    // Keeps the counter of `type` at least at `index` (folder table NIDs follow the folder's).
    void RaiseNidCounter(uint32_t type, uint32_t index);

    // What the blocks written next hold, for BytesWritten(); a scope sets it.
    enum class BlockKind { PropertyContext, Table, Subnodes, LargeValue };
    class BlockKindScope {
    public:
        BlockKindScope(Database& db, BlockKind kind) : m_db(db), m_saved(db.m_blockKind) { db.m_blockKind = kind; }
        ~BlockKindScope() { m_db.m_blockKind = m_saved; }
        BlockKindScope(const BlockKindScope&) = delete;
        BlockKindScope& operator=(const BlockKindScope&) = delete;

    private:
        Database& m_db;
        BlockKind m_saved;
    };
    const WriteCounts& BytesWritten() const { return m_counts; }

    void Commit();
    // Makes the space the last commits released free and writes the map pages
    // that changed, so the maps are exact, and flushes.
    void WriteExactMaps();
    uint64_t FileEof() const { return m_space.FileEof(); }

private:
    Database(std::unique_ptr<File> file, const StoreOptions& options);

    void ReadPage(uint64_t ib, uint8_t* page) override;
    BlockRef AllocatePage() override;
    void WritePage(uint64_t ib, Bytes page) override;
    void ReleasePage(uint64_t ib) override;

    void ReadRaw(uint64_t offset, uint8_t* buffer, size_t size);
    void WriteRaw(uint64_t offset, const uint8_t* data, size_t size);
    void FlushFile();
    // Whether this commit goes to the disk itself before and after its header.
    bool CommitIsDurable() const;
    // Flushes: everything written so far is the state a power cut leaves.
    void MarkDurable();
    void WritePending();
    bool WriteDataAndMaps(bool durable);
    void WriteHeader();
    void RebuildSpaceMap();
    void MarkStaleMapPages(bool diskMapsValid);
    bool FindBlock(uint64_t bid, BtRecord& out);
    void CheckBlockPlace(const BtRecord& record) const;
    void AppendStream(uint64_t bid, int parentLevel, Bytes& out);
    Bytes ReadSubnodeBlock(uint64_t bid, bool leafOnly);

    std::unique_ptr<File> m_file;
    bool m_flushEachCommit;
    std::chrono::steady_clock::duration m_flushInterval;  // zero: no flushes by time
    std::chrono::steady_clock::time_point m_lastDurable;
    Header m_header;
    Header m_onDisk;  // the header as last written
    SpaceMap m_space;
    PageBTree m_nodeTree;
    PageBTree m_blockTree;
    // Writes of the operation in progress: their bytes sit in one arena, reused
    // from commit to commit, so that a commit costs no allocation per block.
    struct PendingWrite {
        size_t at;
        size_t size;
    };
    uint8_t* StagePending(uint64_t offset, size_t size);
    std::map<uint64_t, PendingWrite> m_pending;
    Bytes m_arena;
    Bytes m_mergeBuffer;
    BlockKind m_blockKind = BlockKind::PropertyContext;
    WriteCounts m_counts;
};

}  // namespace pst
