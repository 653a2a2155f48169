// The naming rules: date text, path components, safe and distinct mailbox
// names, the source time text.
#include <gtest/gtest.h>

#include "paths/SafeName.h"
#include "transfer/OutputNames.h"
#include "transfer/SourceTimeText.h"
#include "text/Utf8.h"

namespace {

TEST(Names, DateTextAndPathComponents) {
    EXPECT_EQ(convert::DateText({2026, 12, 6, 9, 5}), L"6-12-2026 9-5");
    EXPECT_EQ(convert::DateText({2027, 1, 31, 23, 59}), L"31-1-2027 23-59");
    struct {
        const wchar_t* path;
        size_t n;
        const wchar_t* component;
    } cases[] = {
        {L"Store\\Inbox\\Sub", 0, L"Store"},
        {L"Store\\Inbox\\Sub", 2, L"Sub"},
        {L"Store\\Inbox\\Sub", 3, L""},
        {L"A\\\\B", 1, L""},
        {L"A\\\\B", 2, L"B"},
        {L"", 0, L""},
    };
    for (const auto& c : cases) EXPECT_EQ(convert::PathComponent(c.path, c.n), c.component) << c.n;

    // A Save Current run folder ends with its separator already: the PST file
    // gets one separator, not two, in its path as shown and logged.
    const std::wstring runFolder = convert::JoinPath(L"out", L"Korvane_Converted-EDB-PST-6-12-2026 9-5") + L"\\";
    EXPECT_EQ(convert::PstFilePath(runFolder, L"Korvane-EDB-PST-Bo6-12-2026 9-5"),
              runFolder + L"Korvane-EDB-PST-Bo6-12-2026 9-5.pst");
}

TEST(Names, SafeFileNames) {
    struct {
        std::wstring name;
        std::wstring safe;
    } cases[] = {
        {L"Anna Berg", L"Anna Berg"},
        {L"a\\b/c:d*e?f\"g<h>i|j", L"a_b_c_d_e_f_g_h_i_j"},
        {std::wstring(L"tab\there\x01\x1f"), L"tab_here__"},
        {L"trailing. . ", L"trailing"},
        {L"...", L"_"},
        {L"", L"_"},
        {L"..\\..\\Windows\\System32", L".._.._Windows_System32"},
        {L"con", L"con_"},
        {L"LPT9.txt", L"LPT9_.txt"},
        {L"CONSOLE", L"CONSOLE"},
        {L"AUX.", L"AUX_"},
        // Every device name Windows keeps, the digit 0 and the superscript digits included.
        {L"COM0", L"COM0_"},
        {L"lpt0.log", L"lpt0_.log"},
        {L"CONIN$", L"CONIN$_"},
        {L"conout$ .txt", L"conout$ _.txt"},
        {L"COM\u00B9", L"COM\u00B9_"},
        {L"LPT\u00B2", L"LPT\u00B2_"},
        {L"COM\u00B3.x", L"COM\u00B3_.x"},
        {L"COM\u2074", L"COM\u2074"},
        {L"COM10", L"COM10"},
        // A surrogate without its partner has no UTF-8 form.
        {std::wstring(L"A") + static_cast<wchar_t>(0xD800) + L"B", L"A_B"},
        {std::wstring(L"A") + static_cast<wchar_t>(0xDC00), L"A_"},
        {L"mail \U0001F600", L"mail \U0001F600"},
    };
    for (const auto& c : cases) EXPECT_EQ(convert::SafeFileName(c.name), c.safe);
    // The cap, and a cut that leaves a trailing dot trims it.
    EXPECT_EQ(convert::SafeFileName(std::wstring(100, L'x')).size(), convert::kMaxSafeNameLength);
    EXPECT_EQ(convert::SafeFileName(L"abcdefg.ij", 8), L"abcdefg");
}

TEST(Names, CollidingNamesGetDistinctFiles) {
    convert::SafeNameSet set;
    EXPECT_EQ(set.Claim(L"a:b"), L"a_b");
    EXPECT_EQ(set.Claim(L"A?B"), L"A_B_2");
    EXPECT_EQ(set.Claim(L"a|b"), L"a_b_3");
    EXPECT_EQ(set.Claim(L"a_b_2"), L"a_b_2_2");
    // Names that differ only in lone surrogates stay apart in the component's UTF-8.
    const std::wstring first = set.Claim(std::wstring(L"x") + static_cast<wchar_t>(0xD800));
    const std::wstring second = set.Claim(std::wstring(L"x") + static_cast<wchar_t>(0xD801));
    EXPECT_NE(mailbox::ToUtf8(first), mailbox::ToUtf8(second));
    EXPECT_EQ(mailbox::FromUtf8(mailbox::ToUtf8(second)), second);
    // At the length cap the suffix takes the name's end, not the cap's place.
    EXPECT_EQ(set.Claim(L"12345678", 8), L"12345678");
    EXPECT_EQ(set.Claim(L"12345678", 8), L"123456_2");
}

TEST(Names, SourceTimeText) {
    // 6 December 2026 09:05 and 21:47 as local calendar time.
    const int64_t morning = 1796547900;
    EXPECT_EQ(convert::CalendarTimeText(morning), L"06/12/2026 09:05 AM");
    EXPECT_EQ(convert::CalendarTimeText(morning + 12 * 3600 + 42 * 60), L"06/12/2026 09:47 PM");
    EXPECT_EQ(convert::CalendarTimeText(0), L"01/01/1970 12:00 AM");
    EXPECT_EQ(convert::SourceFileTimeText(L"no such file.edb"), L"01/01/1970 12:00 AM");
}

}  // namespace
