#pragma once
// The fixed texts of the activity log: banners and the header a run starts with.
// Plain strings only, so the wording can be checked without Windows.
#include <string>
#include <vector>

namespace logtext {

extern const wchar_t kLineBreak[];  // "\r\n", always its own entry

// A run of asterisks, the middle text, another run of asterisks.
std::wstring Banner(int asterisksBefore, const wchar_t* middle, int asterisksAfter);

std::wstring StartBanner();
std::wstring ProductBanner();
std::wstring SourceFileStepBanner();
std::wstring SearchStepBanner();
std::wstring MailboxStepBanner();
std::wstring FolderSearchStepBanner();
std::wstring SavingStepBanner();
std::wstring StopButtonAbortBanner();
std::wstring OtherAbortBanner();
std::wstring EndBanner();

struct LocalTime {
    int year, month, day, hour, minute, second;
};

// "6\12\2026" and "19:5:7": numbers without leading zeros.
std::wstring DateText(const LocalTime& time);
std::wstring TimeText(const LocalTime& time);

// The entries the main page writes when it opens, one log call each, in order.
std::vector<std::wstring> HeaderEntries(const LocalTime& now);

}  // namespace logtext
