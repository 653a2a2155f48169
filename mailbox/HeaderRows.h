#pragma once
// Message rows found by a scan worker on their way to the preview page's
// list. The worker queues each row and posts a notice; the user-interface
// thread takes the queued rows and inserts them. Rows wait in the queue, not
// in posted messages, so a page that closes first loses nothing it owns and a
// stop leaves the rows found so far in the list.
#include <windows.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "framework/Controls.h"

class HeaderRowQueue {
public:
    using Row = std::pair<size_t, std::wstring>;  // list index, subject text

    void Push(size_t index, std::wstring subject);
    std::vector<Row> Take();

private:
    std::mutex m_mutex;
    std::vector<Row> m_rows;
};

constexpr int kMessageRowImage = 12;

// A row as the message list shows it: the message image, "Administrator" and the subject text.
void InsertHeaderRow(CListCtrl& list, size_t index, const std::wstring& subject);
