#include "Controls.h"

#include <vector>

int CListCtrl::InsertColumn(int column, const wchar_t* heading, int format, int width) {
    LVCOLUMNW info = {};
    info.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    info.fmt = format;
    info.cx = width;
    info.pszText = const_cast<wchar_t*>(heading);
    info.iSubItem = column;
    return static_cast<int>(
        SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)));
}

int CListCtrl::InsertItem(int item, const wchar_t* text) {
    LVITEMW info = {};
    info.mask = LVIF_TEXT;
    info.iItem = item;
    info.pszText = const_cast<wchar_t*>(text);
    return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&info)));
}

bool CListCtrl::SetItemText(int item, int subItem, const wchar_t* text) {
    LVITEMW info = {};
    info.iSubItem = subItem;
    info.pszText = const_cast<wchar_t*>(text);
    return SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)) != 0;
}

CString CListCtrl::GetItemText(int item, int subItem) const {
    // The control copies at most the buffer's size and says how much it copied,
    // so grow until the text fits with room to spare.
    for (size_t size = 256;; size *= 2) {
        std::vector<wchar_t> buffer(size);
        LVITEMW info = {};
        info.iSubItem = subItem;
        info.pszText = buffer.data();
        info.cchTextMax = static_cast<int>(size);
        auto copied = static_cast<size_t>(
            SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)));
        if (copied + 1 < size) return CString(buffer.data(), static_cast<int>(copied));
    }
}

bool CListCtrl::GetCheck(int item) const {
    auto state = static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK));
    return ((state >> 12) - 1) == 1;
}

void CListCtrl::SetCheck(int item, bool checked) {
    LVITEMW info = {};
    info.stateMask = LVIS_STATEIMAGEMASK;
    info.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info));
}
