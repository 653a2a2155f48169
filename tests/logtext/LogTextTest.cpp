// The log's fixed texts: every later reader of a log (and every support call)
// relies on these exact banners and the header's date and time forms.
#include <gtest/gtest.h>

#include "logtext/LogText.h"

namespace {

// Written out literally, one row per banner: a wrong count of asterisks in the
// code must not be repeated by the expectation.
TEST(LogText, EachBannerIsItsExactLiteral) {
    struct Row {
        const char* name;
        std::wstring (*banner)();
        const wchar_t* expected;
    };
    const Row rows[] = {
        {"StartBanner", logtext::StartBanner,
         L"********************************* Start Log File ********************************"},
        {"ProductBanner", logtext::ProductBanner,
         L"*************************Korvane For Microsoft EDB To PST************************"},
        {"SourceFileStepBanner", logtext::SourceFileStepBanner,
         L"************************* Step 1 :- Source File Selection ***********************"},
        {"SearchStepBanner", logtext::SearchStepBanner,
         L"************************* Step 1 :- Searching EDB File ***********************"},
        {"MailboxStepBanner", logtext::MailboxStepBanner,
         L"************************* Step 2 :- User Mailbox Selction ***********************"},
        {"FolderSearchStepBanner", logtext::FolderSearchStepBanner,
         L"************************* Step 3 :- Searching Folder Information in EDB file ***********************"},
        {"SavingStepBanner", logtext::SavingStepBanner,
         L"******************************  Step 4 :- Saving File Information ********************************"},
        {"StopButtonAbortBanner", logtext::StopButtonAbortBanner,
         L"****************** Step 5 Repairing aborted by User ***********************************"},
        {"OtherAbortBanner", logtext::OtherAbortBanner,
         L"******************* Step 5 Repairing aborted by User ***********************************"},
        {"EndBanner", logtext::EndBanner, L"******************* End Log File ***********************************"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.banner(), row.expected) << row.name;
}

TEST(LogText, DateAndTimeHaveNoLeadingZeros) {
    logtext::LocalTime newYear = {2027, 1, 1, 9, 3, 4};
    EXPECT_EQ(logtext::DateText(newYear), L"1\\1\\2027");
    EXPECT_EQ(logtext::TimeText(newYear), L"9:3:4");
    logtext::LocalTime evening = {2026, 12, 6, 19, 5, 7};
    EXPECT_EQ(logtext::DateText(evening), L"6\\12\\2026");
    EXPECT_EQ(logtext::TimeText(evening), L"19:5:7");
}

TEST(LogText, HeaderEntriesComeInTheirOrder) {
    auto entries = logtext::HeaderEntries({2027, 1, 1, 9, 3, 4});
    std::wstring joined;
    for (const auto& entry : entries) joined += entry;
    std::wstring expected = L"\r\n\r\n\r\n\r\n" + logtext::StartBanner() + L"\r\n\r\n" + logtext::ProductBanner() +
                            L"\r\n\r\nVersion 1.0\r\nDate    1\\1\\2027\r\nTime    9:3:4\r\n\r\n" +
                            logtext::SourceFileStepBanner() + L"\r\n\r\n";
    EXPECT_EQ(joined, expected);
    // Line breaks are entries of their own, never glued to a text.
    for (const auto& entry : entries) {
        if (entry.find(L"\r\n") != std::wstring::npos) {
            EXPECT_EQ(entry, L"\r\n");
        }
    }
    EXPECT_EQ(entries.size(), 24u);
}

}  // namespace
