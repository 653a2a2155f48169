// The Size and Modified column texts of the search page.
#include <gtest/gtest.h>

#include "paths/ResultText.h"

namespace {

TEST(ResultText, SizeAndModifiedColumns) {
    struct {
        uint64_t bytes;
        const wchar_t* text;
    } sizes[] = {{0, L"0 B"},
                 {10239, L"10239 B"},
                 {10240, L"10 KB"},
                 {5368709120ULL + 1023, L"5242880 KB"}};  // 5 GB: beyond 32 bits, truncated
    for (const auto& c : sizes) EXPECT_EQ(search::SizeText(c.bytes), c.text) << c.bytes;

    struct {
        int64_t time, zeroTime;
        const wchar_t* text;
    } times[] = {
        {1699920000, 0, L"14-11-2023 12:00 AM"},  // midnight is 12 AM
        {1699963200, 0, L"14-11-2023 12:00 PM"},  // noon is 12 PM
        {1700000000, 0, L"14-11-2023 10:13 PM"},
        {1709164800, 0, L"29-02-2024 12:00 AM"},
        {0, 3600, L"01-01-1970 01:00 AM"},  // an unreadable file: the zero time east of UTC
        {0, -18000, L""},                   // ... and west of it, before 1970 locally
    };
    for (const auto& c : times) EXPECT_EQ(search::ModifiedText(c.time, c.zeroTime), c.text) << c.time;
}

}  // namespace
