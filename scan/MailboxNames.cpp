#include "scan/MailboxNames.h"

namespace mailbox {

const char kMailboxMarker[8] = "N67b9\xB0\xB4";
const wchar_t kMailboxTrimSet[8] = L"N67b9\u00B0\u00B4";

std::wstring MailboxNameFromText(const std::wstring& text) {
    size_t start = text.find_first_not_of(kMailboxTrimSet);
    if (start == std::wstring::npos) return {};
    start += 3;
    return start < text.size() ? text.substr(start) : std::wstring();
}

bool MailboxNameList::Add(const std::wstring& name) {
    if (name.empty()) return false;
    if (!m_upperNames.insert(m_codePage.ToUpper(name)).second) return false;
    m_names.push_back(name);
    return true;
}

}  // namespace mailbox
