// CString as page code uses it: cuts clamp, Format follows the Windows runtime,
// comparisons fold case the way file names do.
#include <gtest/gtest.h>

#include "framework/String.h"

namespace {

TEST(CStringCuts, OutOfRangePositionsAndCountsClamp) {
    const CString text(L"Mailbox");
    struct Case {
        CString got;
        const wchar_t* expected;
    } cases[] = {
        {text.Left(3), L"Mai"}, {text.Left(-1), L""},         {text.Left(99), L"Mailbox"}, {text.Right(3), L"box"},
        {text.Right(-5), L""},  {text.Right(99), L"Mailbox"}, {text.Mid(4), L"box"},       {text.Mid(-2), L"Mailbox"},
        {text.Mid(99), L""},    {text.Mid(2, 3), L"ilb"},     {text.Mid(5, 99), L"ox"},    {text.Mid(2, -1), L""},
        {text.Mid(7, 1), L""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(CStringFormat, WideTextThroughPercentSAndLongResults) {
    struct Case {
        CString got;
        std::wstring expected;
    };
    auto format = [](const wchar_t* pattern, auto... arguments) {
        CString text;
        text.Format(pattern, arguments...);
        return text;
    };
    const Case cases[] = {
        {format(L"%s (%d)", L"Inbox", 12), L"Inbox (12)"},
        {format(L"%-6s|", L"ab"), L"ab    |"},
        {format(L"%c%c", L'\u00c4', L'x'), L"\u00c4x"},
        {format(L"%hs", "narrow"), L"narrow"},
        {format(L"%d-%d-%d %d-%d", 8, 12, 2026, 9, 5), L"8-12-2026 9-5"},
        {format(L"100%%"), L"100%"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got.str(), c.expected);

    const std::wstring longText(70000, L'w');
    CString formatted = format(L"<%s>", longText.c_str());
    EXPECT_EQ(formatted.GetLength(), 70002);
    EXPECT_TRUE(formatted.str() == L"<" + longText + L">");
}

TEST(CStringSearch, FindReplaceAndCaseFolding) {
    CString path(L"C:\\Mail\\priv1.edb");
    EXPECT_EQ(path.Find(L"\\"), 2);
    EXPECT_EQ(path.Find(L'\\', 8), -1);
    EXPECT_EQ(path.Find(L"edb", 99), -1);
    EXPECT_EQ(path.Find(static_cast<const wchar_t*>(nullptr)), -1);

    struct ReplaceCase {
        const wchar_t* text;
        const wchar_t* from;
        const wchar_t* to;
        int count;
        const wchar_t* expected;
    } replaces[] = {
        {L"a.b.c", L".", L"\\", 2, L"a\\b\\c"},
        {L"aaa", L"a", L"aa", 3, L"aaaaaa"},  // never rescans what it put in
        {L"abc", L"", L"x", 0, L"abc"},
        {L"abab", L"ab", L"", 2, L""},
    };
    for (const ReplaceCase& c : replaces) {
        CString text(c.text);
        EXPECT_EQ(text.Replace(c.from, c.to), c.count) << c.text;
        EXPECT_EQ(text, c.expected) << c.text;
    }

    struct CompareCase {
        const wchar_t* left;
        const wchar_t* right;
        int expected;
    } compares[] = {
        {L"C:\\MAIL\\PRIV1.EDB", L"c:\\mail\\priv1.edb", 0},
        {L"M\u00c4IL.EDB", L"m\u00e4il.edb", 0},
        {L"abc", L"abd", -1},
        {L"abd", L"ABC", 1},
        {L"ab", nullptr, 1},
    };
    for (const CompareCase& c : compares) EXPECT_EQ(CString(c.left).CompareNoCase(c.right), c.expected) << c.left;

    CString upper(L"c:\\m\u00e4il\\priv1.edb");
    EXPECT_EQ(upper.MakeUpper(), L"C:\\M\u00c4IL\\PRIV1.EDB");
}

}  // namespace
