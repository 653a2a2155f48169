#include "FolderTreeCtrl1.h"

#include <cwctype>
#include <string>

namespace {

constexpr UINT_PTR kSubclassId = 1;

struct NamedImage {
    const wchar_t* upperName;
    int image;
};
// "JUNK E-MAILS" never matches the standard folder "Junk E-mail": that one
// keeps the plain folder, as the product always showed it.
constexpr NamedImage kFolderImages[] = {
    {L"CALENDAR", 3}, {L"CONTACTS", 4},    {L"DELETED ITEMS", 5}, {L"DRAFTS", 6},
    {L"INBOX", 7},    {L"JOURNAL", 8},     {L"JUNK E-MAILS", 9},  {L"NOTES", 10},
    {L"OUTBOX", 11},  {L"SENT ITEMS", 12}, {L"TASKS", 13},        {L"SYNC ISSUES", 14},
};
constexpr int kPlainFolderImage = 17;

}  // namespace

CFolderTreeCtrl1::~CFolderTreeCtrl1() {
    if (m_subclassed && ::IsWindow(m_hWnd)) ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
}

void CFolderTreeCtrl1::SubclassDlgItem(int id, HWND dialog) {
    if (m_subclassed && ::IsWindow(m_hWnd)) ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
    Attach(::GetDlgItem(dialog, id));
    m_subclassed = m_hWnd && ::SetWindowSubclass(m_hWnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void CFolderTreeCtrl1::SetUpImages() {
    m_images = MakeIconList(ILC_COLOR8,
                            {144, 143, 147, 157, 159, 148, 149, 150, 160, 151, 161, 152, 153, 162, 154, 156, 152, 165});
    SendMessage(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(m_images.get()));
}

int CFolderTreeCtrl1::FolderImage(const CString& text) {
    CString upper = text;
    upper.MakeUpper();
    int image = kPlainFolderImage;
    for (const NamedImage& named : kFolderImages) {
        if (upper == named.upperName) image = named.image;
    }
    return image;
}

HTREEITEM CFolderTreeCtrl1::FindOrInsert(HTREEITEM parent, const CString& text) {
    for (HTREEITEM child = parent ? Child(parent) : Root(); child; child = Sibling(child)) {
        if (ItemText(child) == text) return child;
    }
    int image = FolderImage(text);
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    insert.item.pszText = const_cast<wchar_t*>(text.GetString());
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    insert.item.state = INDEXTOSTATEIMAGEMASK(kUnticked);
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

HTREEITEM CFolderTreeCtrl1::AddItems(const std::vector<CString>& components) {
    HTREEITEM item = nullptr;
    for (const CString& component : components) {
        HTREEITEM found = FindOrInsert(item, component);
        if (!found) break;
        if (item) SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        item = found;
    }
    if (item) {
        UpdateAncestors(item);
        SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }
    return item;
}

HTREEITEM CFolderTreeCtrl1::AddPath(const CString& path) {
    std::vector<CString> components;
    const std::wstring& text = path.str();
    size_t start = 0;
    for (size_t slash = text.find(L'\\'); slash != std::wstring::npos; slash = text.find(L'\\', start)) {
        components.push_back(CString(text.c_str() + start, static_cast<int>(slash - start)));
        start = slash + 1;
    }
    return AddItems(components);
}

CString CFolderTreeCtrl1::ItemText(HTREEITEM item) const {
    // The control copies at most the buffer and cannot say how long the text
    // is, so grow until the copy leaves room to spare.
    for (size_t size = 256;; size *= 2) {
        std::wstring buffer(size, L'\0');
        TVITEMW info = {};
        info.mask = TVIF_TEXT;
        info.hItem = item;
        info.pszText = buffer.data();
        info.cchTextMax = static_cast<int>(size);
        if (!SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info))) return CString();
        size_t length = wcsnlen(buffer.c_str(), size);
        if (length + 1 < size) return CString(buffer.c_str(), static_cast<int>(length));
    }
}

CString CFolderTreeCtrl1::ItemPath(HTREEITEM item) const {
    std::wstring path;
    for (HTREEITEM at = item; at; at = Parent(at)) path.insert(0, ItemText(at).str() + L'\\');
    return CString(std::move(path));
}

int CFolderTreeCtrl1::StateImage(HTREEITEM item) const {
    auto state = static_cast<UINT>(SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK));
    return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
}

bool CFolderTreeCtrl1::IsBold(HTREEITEM item) const {
    return (SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_BOLD) & TVIS_BOLD) != 0;
}

int CFolderTreeCtrl1::Image(HTREEITEM item) const {
    TVITEMW info = {};
    info.mask = TVIF_IMAGE;
    info.hItem = item;
    SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
    return info.iImage;
}

void CFolderTreeCtrl1::SetState(HTREEITEM item, int stateImage, bool bold) {
    TVITEMW info = {};
    info.mask = TVIF_STATE;
    info.hItem = item;
    info.stateMask = TVIS_STATEIMAGEMASK | TVIS_BOLD;
    info.state = INDEXTOSTATEIMAGEMASK(stateImage) | (bold ? TVIS_BOLD : 0);
    SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&info));
}

void CFolderTreeCtrl1::SetBold(HTREEITEM item, bool bold) {
    TVITEMW info = {};
    info.mask = TVIF_STATE;
    info.hItem = item;
    info.stateMask = TVIS_BOLD;
    info.state = bold ? TVIS_BOLD : 0;
    SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&info));
}

void CFolderTreeCtrl1::TickBelow(HTREEITEM item, bool ticked) {
    SetState(item, ticked ? kTicked : kUnticked, ticked);
    for (HTREEITEM child = Child(item); child; child = Sibling(child)) TickBelow(child, ticked);
}

void CFolderTreeCtrl1::ToggleTick(HTREEITEM item) {
    if (!item) return;
    TickBelow(item, StateImage(item) == kUnticked);
    UpdateAncestors(item);
}

void CFolderTreeCtrl1::UpdateAncestors(HTREEITEM item) {
    for (HTREEITEM parent = Parent(item); parent; parent = Parent(parent)) {
        bool allTicked = true;
        bool anyBold = false;
        for (HTREEITEM child = Child(parent); child; child = Sibling(child)) {
            if (StateImage(child) == kUnticked) allTicked = false;
            if (IsBold(child)) anyBold = true;
        }
        // Ticked when nothing below is unticked; bold while anything below is bold.
        SetState(parent, allTicked ? kTicked : kUnticked, allTicked);
        SetBold(parent, anyBold);
    }
}

bool CFolderTreeCtrl1::OnLeftButtonDown(LPARAM position) {
    TVHITTESTINFO hit = {};
    hit.pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    auto item = reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (!item) return false;
    SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    ::SetFocus(m_hWnd);
    if (!(hit.flags & TVHT_ONITEMSTATEICON)) return false;
    ToggleTick(item);
    return true;  // the tree view's own toggle must not undo ours
}

LRESULT CALLBACK CFolderTreeCtrl1::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                DWORD_PTR self) {
    if (message == WM_LBUTTONDOWN && reinterpret_cast<CFolderTreeCtrl1*>(self)->OnLeftButtonDown(lParam)) return 0;
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(window, SubclassProc, kSubclassId);
    return ::DefSubclassProc(window, message, wParam, lParam);
}
