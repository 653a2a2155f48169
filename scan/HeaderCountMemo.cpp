#include "scan/HeaderCountMemo.h"

#include <map>
#include <mutex>
#include <system_error>

namespace mailbox {
namespace {

struct Stamp {
    uintmax_t size = 0;
    std::filesystem::file_time_type lastWrite;
    bool operator==(const Stamp& other) const { return size == other.size && lastWrite == other.lastWrite; }
};

struct Remembered {
    Stamp stamp;
    uint64_t count = 0;
};

std::optional<Stamp> StampOf(const std::filesystem::path& source) {
    std::error_code error;
    Stamp stamp;
    stamp.size = std::filesystem::file_size(source, error);
    if (error) return std::nullopt;
    stamp.lastWrite = std::filesystem::last_write_time(source, error);
    if (error) return std::nullopt;
    return stamp;
}

std::mutex g_mutex;
std::map<std::filesystem::path, Remembered> g_counts;

}  // namespace

void RememberHeaderCount(const std::filesystem::path& source, uint64_t count) {
    std::optional<Stamp> stamp = StampOf(source);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (stamp)
        g_counts[source] = Remembered{*stamp, count};
    else
        g_counts.erase(source);
}

std::optional<uint64_t> RememberedHeaderCount(const std::filesystem::path& source) {
    std::optional<Stamp> stamp = StampOf(source);
    std::lock_guard<std::mutex> lock(g_mutex);
    auto found = g_counts.find(source);
    if (!stamp || found == g_counts.end() || !(found->second.stamp == *stamp)) return std::nullopt;
    return found->second.count;
}

}  // namespace mailbox
