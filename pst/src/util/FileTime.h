#pragma once
// The current time as a FILETIME (100 ns since 1601, UTC), for the creation
// and modification times of objects the caller gives no date for.

#include <chrono>
#include <cstdint>

namespace pst {

inline uint64_t FileTimeNow() {
    auto since1970 =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch());
    return static_cast<uint64_t>(since1970.count() / 100) + 116444736000000000ULL;
}

}  // namespace pst
