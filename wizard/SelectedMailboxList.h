#pragma once
// The mailboxes the user ticked on the mailbox page, in list order: what the
// preview page and the conversion walk through. Each build starts from an
// empty list, and freeing leaves an empty list, so freeing twice is harmless
// and a mailbox is never listed (or converted) twice.
#include <vector>

#include "framework/String.h"

class SelectedMailboxList {
public:
    void Free() { m_names.clear(); }
    void Append(const CString& name) { m_names.push_back(name); }
    bool IsEmpty() const { return m_names.empty(); }
    int Count() const { return static_cast<int>(m_names.size()); }
    // Index 0 is the head; callers check IsEmpty first.
    const CString& Name(int index) const { return m_names[static_cast<size_t>(index)]; }

private:
    std::vector<CString> m_names;
};
