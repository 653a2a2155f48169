// Database::Open over arbitrary pages, then every record of every table
// decoded. Whatever the bytes, each step ends with a result or a reason: no
// crash, no read out of bounds, no endless loop. (This build ignores
// checksums, so that mutations reach the structure checks behind them.)
//
// The input is sparse, to keep seeds small: pieces of a 2-byte file page
// index (0 = the header) followed by one page; the page size comes from the
// first piece's header. The file is rebuilt with zero pages between them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ese/Database.h"

namespace {

constexpr size_t kMaxFile = 4u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 + 240) return 0;
    uint32_t pageSize = data[2 + 236] | (data[2 + 237] << 8) | (data[2 + 238] << 16) | (uint32_t(data[2 + 239]) << 24);
    if (pageSize != 2048 && pageSize != 4096 && pageSize != 8192 && pageSize != 16384 && pageSize != 32768) return 0;
    std::string file;
    for (size_t at = 0; at + 2 + pageSize <= size; at += 2 + pageSize) {
        size_t offset = size_t(data[at] | (data[at + 1] << 8)) * pageSize;
        if (offset + pageSize > kMaxFile) return 0;
        if (file.size() < offset + pageSize) file.resize(offset + pageSize, '\0');
        file.replace(offset, pageSize, reinterpret_cast<const char*>(data + at + 2), pageSize);
    }
    std::string error;
    auto db = korvane::ese::Database::Open(korvane::ese::MemoryFile(std::move(file)), error);
    if (!db) return 0;
    size_t cells = 0;
    for (const korvane::ese::Table& table : db->Tables()) {
        uint64_t count = 0;
        db->CountRecords(table, count);
        db->ForEachRecord(table, [&](const korvane::ese::Record& record) {
            cells += record.size();
            return true;
        });
    }
    return cells == SIZE_MAX;
}
