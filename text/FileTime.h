#pragma once
// FILETIME, the time of Windows files and of PST properties: 100-nanosecond
// units since 1601-01-01 00:00 UTC. Unix time counts seconds since 1970.
#include <chrono>
#include <cstdint>

namespace mailbox {

constexpr uint64_t kFileTimeUnitsPerSecond = 10000000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr uint64_t kUnixEpochAsFileTime = kSecondsFrom1601To1970 * kFileTimeUnitsPerSecond;

// A time from 1601 on; before it there is no FILETIME.
constexpr uint64_t FileTimeFromUnix(int64_t seconds, int64_t nanoseconds = 0) {
    return static_cast<uint64_t>((seconds + kSecondsFrom1601To1970) * static_cast<int64_t>(kFileTimeUnitsPerSecond) +
                                 nanoseconds / 100);
}

// Whole seconds; what is left of the last one is dropped.
constexpr int64_t UnixFromFileTime(uint64_t fileTime) {
    return static_cast<int64_t>(fileTime / kFileTimeUnitsPerSecond) - kSecondsFrom1601To1970;
}

// Now, for the objects and messages nobody gave a date.
inline uint64_t FileTimeNow() {
    auto since1970 =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch());
    return static_cast<uint64_t>(since1970.count() / 100) + kUnixEpochAsFileTime;
}

}  // namespace mailbox
