#include "LogText.h"

namespace logtext {

const wchar_t kLineBreak[] = L"\r\n";

std::wstring Banner(int asterisksBefore, const wchar_t* middle, int asterisksAfter) {
    return std::wstring(static_cast<size_t>(asterisksBefore), L'*') + middle +
           std::wstring(static_cast<size_t>(asterisksAfter), L'*');
}

std::wstring StartBanner() { return Banner(33, L" Start Log File ", 32); }
std::wstring ProductBanner() { return Banner(25, L"Korvane For Microsoft EDB To PST", 24); }
std::wstring SourceFileStepBanner() { return Banner(25, L" Step 1 :- Source File Selection ", 23); }
std::wstring SearchStepBanner() { return Banner(25, L" Step 1 :- Searching EDB File ", 23); }
std::wstring MailboxStepBanner() { return Banner(25, L" Step 2 :- User Mailbox Selction ", 23); }
std::wstring FolderSearchStepBanner() {
    return Banner(25, L" Step 3 :- Searching Folder Information in EDB file ", 23);
}
std::wstring SavingStepBanner() { return Banner(30, L"  Step 4 :- Saving File Information ", 32); }
std::wstring StopButtonAbortBanner() { return Banner(18, L" Step 5 Repairing aborted by User ", 35); }
std::wstring OtherAbortBanner() { return Banner(19, L" Step 5 Repairing aborted by User ", 35); }
std::wstring EndBanner() { return Banner(19, L" End Log File ", 35); }

std::wstring DateText(const LocalTime& time) {
    return std::to_wstring(time.day) + L"\\" + std::to_wstring(time.month) + L"\\" + std::to_wstring(time.year);
}

std::wstring TimeText(const LocalTime& time) {
    return std::to_wstring(time.hour) + L":" + std::to_wstring(time.minute) + L":" + std::to_wstring(time.second);
}

std::vector<std::wstring> HeaderEntries(const LocalTime& now) {
    std::vector<std::wstring> entries;
    auto lineBreaks = [&entries](int count) {
        for (int i = 0; i < count; ++i) entries.emplace_back(kLineBreak);
    };
    lineBreaks(4);
    entries.push_back(StartBanner());
    lineBreaks(2);
    entries.push_back(ProductBanner());
    lineBreaks(2);
    entries.emplace_back(L"Version 1.0");
    lineBreaks(1);
    entries.emplace_back(L"Date");
    entries.emplace_back(L"    ");
    entries.push_back(DateText(now));
    lineBreaks(1);
    entries.emplace_back(L"Time");
    entries.emplace_back(L"    ");
    entries.push_back(TimeText(now));
    lineBreaks(2);
    entries.push_back(SourceFileStepBanner());
    lineBreaks(2);
    return entries;
}

}  // namespace logtext
