#pragma once
// The help file, one help window at a time whatever asks for it.

// The two titles the handlers know the help window by: Contents, the later
// pages' help requests and the preview page's F1 name the first; the main
// page's F1 names the second, which is the one the compiled help carries.
constexpr wchar_t kContentsHelpTitle[] = L"Help - Korvane For EDB To PST";
constexpr wchar_t kMainPageHelpTitle[] = L"Help - Korvane For Microsoft EDB To PST";

// Brings an open help window forward, found by the given title or by the
// other one, and opens the help file only when none is open.
void LaunchHelp(const wchar_t* helpWindowTitle);
