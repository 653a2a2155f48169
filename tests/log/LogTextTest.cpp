// The log's fixed texts: every later reader of a log (and every support call)
// relies on these exact banners and the header's date and time forms.
#include <gtest/gtest.h>

#include "log/LogText.h"

namespace {

TEST(LogText, BannersHaveTheirExactLengthsAndSpellings) {
    EXPECT_EQ(logtext::StartBanner().size(), 81u);
    EXPECT_EQ(logtext::EndBanner().size(), 68u);
    EXPECT_EQ(logtext::SavingStepBanner().size(), 98u);
    EXPECT_EQ(logtext::StartBanner(), std::wstring(33, L'*') + L" Start Log File " + std::wstring(32, L'*'));
    EXPECT_EQ(logtext::MailboxStepBanner(), std::wstring(25, L'*') + L" Step 2 :- User Mailbox Selction " +
                                                std::wstring(23, L'*'));
    // The two abort banners differ only in the first run of asterisks.
    EXPECT_EQ(logtext::StopButtonAbortBanner().substr(1), logtext::OtherAbortBanner().substr(2));
    EXPECT_EQ(logtext::OtherAbortBanner().size(), logtext::StopButtonAbortBanner().size() + 1);
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
