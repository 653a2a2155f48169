#include "HeaderRows.h"

void HeaderRowQueue::Push(size_t index, std::wstring subject) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rows.emplace_back(index, std::move(subject));
}

std::vector<HeaderRowQueue::Row> HeaderRowQueue::Take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_rows, {});
}

void InsertHeaderRow(CListCtrl& list, size_t index, const std::wstring& subject) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(index);
    item.iImage = kMessageRowImage;
    item.pszText = const_cast<wchar_t*>(L"");
    int row = static_cast<int>(list.SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) return;
    list.SetItemText(row, 0, L"Administrator");
    list.SetItemText(row, 1, subject.c_str());
}
