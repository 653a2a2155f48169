#pragma once
// From the text at a mailbox marker to the name shown in the list, and the
// list of distinct names in the order they were found.
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "text/CodePage.h"

namespace mailbox {

// "N67b9" followed by the bytes B0 and B4.
extern const char kMailboxMarker[8];  // 7 bytes and a terminator

// The marker as the Western code page shows it: N 6 7 b 9 ° ´.
extern const wchar_t kMailboxTrimSet[8];

// Drops every leading character of the trim set, then three more characters
// (all when fewer are left). The result may be empty.
std::wstring MailboxNameFromText(const std::wstring& text);

// Names in the order of discovery, none empty, no two equal when letter case
// is ignored (the first one found stays).
class MailboxNameList {
public:
    explicit MailboxNameList(const CodePage& codePage) : m_codePage(codePage) {}

    // True when the name was new and appended.
    bool Add(const std::wstring& name);
    const std::vector<std::wstring>& Names() const { return m_names; }

private:
    const CodePage& m_codePage;
    std::vector<std::wstring> m_names;
    std::unordered_set<std::wstring> m_upperNames;  // one lookup instead of a walk over every row
};

}  // namespace mailbox
