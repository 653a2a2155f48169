#pragma once
// A Unicode PST message store (Outlook .pst, [MS-PST] format version 23).
//
// Every mutating call is one committed operation: when it returns success the
// change is in the file and survives the process being killed; when it fails,
// the file stays at its last committed state and the Store refuses further
// changes (open it again to go on).

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "pst/File.h"
#include "pst/Folder.h"
#include "pst/Status.h"

namespace pst {

struct StoreOptions {
    // Flush to the disk itself before and after every header write, so that a
    // power cut loses at most the operation in progress. Without it a power cut
    // may lose recent operations (a killed process loses nothing committed).
    bool flushEachCommit = false;
    // The longest stretch between durable commits: a commit that comes at
    // least this long after the last durable one flushes as above, and the
    // space released in between is not reused before it, so a power cut costs
    // at most the operations of one stretch (see src/ndb/Database.h). Zero:
    // no flushes by time.
    std::chrono::milliseconds flushInterval{0};
};

// Bytes the engine handed to the file since the store was opened, by what
// they hold: where a commit's writes go (for benchmarks and their figures).
struct WriteCounts {
    uint64_t commits = 0;
    // Per commit: the copied paths of the two B-trees, the allocation map
    // pages (AMap, FMap, PMap and FPMap), the headers (a commit's own and the
    // one that declares the maps invalid while their pages change).
    uint64_t nodeTreePages = 0;
    uint64_t blockTreePages = 0;
    uint64_t mapPages = 0;
    uint64_t headers = 0;
    // Per object: heap blocks of property contexts (messages, attachments,
    // folders), heap and row blocks of tables, subnode blocks (SLBLOCK and
    // SIBLOCK), and values longer than a heap allocation with their XBLOCKs;
    // block trailers and padding included.
    uint64_t propertyContextBlocks = 0;
    uint64_t tableBlocks = 0;
    uint64_t subnodeBlocks = 0;
    uint64_t largeValueBlocks = 0;
    uint64_t other = 0;  // the zeros that make a new interval's end exist
};

// A Store is used by one thread at a time.
class Store {
public:
    // Creates a new file (and the directories leading to it); fails without
    // touching anything if something already exists at `path`. An empty file,
    // or one a creation killed before its first commit left, counts as nothing.
    // The store is complete before it gets its name (a provisional file, see
    // File.h, or a creation name renamed into place where the volume has no
    // hard links), so a kill never leaves a file at `path` that is no PST.
    static Result<std::unique_ptr<Store>> Create(const std::string& path, const std::string& displayName,
                                                 const StoreOptions& options = {});
    // `file` must be empty (or left by a creation killed before its first commit).
    static Result<std::unique_ptr<Store>> Create(std::unique_ptr<File> file, const std::string& displayName,
                                                 const StoreOptions& options = {});
    // Opens a PST this engine can append to; anything else is refused untouched.
    static Result<std::unique_ptr<Store>> Open(const std::string& path, const StoreOptions& options = {});
    static Result<std::unique_ptr<Store>> Open(std::unique_ptr<File> file, const StoreOptions& options = {});
    // Opens the store at `path`, or creates it when nothing (or an empty or
    // unfinished file, as above) exists there.
    static Result<std::unique_ptr<Store>> OpenOrCreate(const std::string& path, const std::string& displayName,
                                                       const StoreOptions& options = {});

    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Writes the exact allocation maps and marks them valid. Optional: a store
    // that is never closed is still complete, readers rebuild nothing.
    Status Close();

    WriteCounts BytesWritten() const;
    const std::string& DisplayName() const;
    Folder RootFolder() const;
    // "Top of Personal Folders": the parent of every mail folder.
    Folder IpmSubtree() const;
    Folder DeletedItems() const;

private:
    explicit Store(std::unique_ptr<StoreEngine> engine);
    std::unique_ptr<StoreEngine> m_engine;
};

}  // namespace pst
