#include "paths/FileFinder.h"

#include "text/AsciiCase.h"

namespace search {
namespace {

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

bool MatchFrom(const std::wstring& name, size_t n, const std::wstring& mask, size_t m) {
    while (m < mask.size()) {
        if (mask[m] == L'*') {
            for (size_t k = n; k <= name.size(); ++k)
                if (MatchFrom(name, k, mask, m + 1)) return true;
            return false;
        }
        if (n == name.size()) return false;
        if (mask[m] != L'?' && mailbox::UpperAscii(mask[m]) != mailbox::UpperAscii(name[n])) return false;
        ++n, ++m;
    }
    return n == name.size();
}

}  // namespace

bool MatchesMask(const std::wstring& name, const std::wstring& mask) {
    if (mask == L"*.*" || mask == L"*") return true;
    // A mask ending in ".*" also takes names without any dot, as Windows does.
    if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, L".*") == 0 && name.find(L'.') == std::wstring::npos &&
        MatchFrom(name, 0, mask.substr(0, mask.size() - 2), 0))
        return true;
    return MatchFrom(name, 0, mask, 0);
}

CFileFinder::CFileFinder() : CFileFinder(MakeSystemFolderLister()) {}

CFileFinder::CFileFinder(std::unique_ptr<FolderLister> lister) : m_lister(std::move(lister)) {}

void CFileFinder::SetProgressHandler(ProgressHandler handler, void* userValue) {
    m_handler = std::move(handler);
    m_userValue = userValue;
}

size_t CFileFinder::Search(const SearchCriteria& criteria) {
    m_stopRequested = false;
    SearchFolder(criteria);
    return m_results.size();
}

void CFileFinder::SearchFolder(SearchCriteria criteria) {
    std::wstring& folder = criteria.folder;
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';

    if (criteria.recurse) {
        m_lister->List(folder, L"*.*", [&](const FolderEntry& entry) {
            if (m_stopRequested) return false;
            if (entry.IsDirectory() && !IsDotEntry(entry.name)) {
                SearchCriteria below = criteria;
                below.folder = folder + entry.name;
                SearchFolder(below);
            }
            return true;
        });
    }

    m_currentFolder = folder;
    Notify(FolderEntered);

    m_lister->List(folder, criteria.nameMask, [&](const FolderEntry& entry) {
        if (m_stopRequested) return false;
        if (IsDotEntry(entry.name)) return true;
        if ((criteria.options & kAttributeFilter) && (entry.attributes & criteria.attributeMask) == 0) return true;
        m_results.push_back(folder + entry.name + (entry.IsDirectory() ? L"\\" : L""));
        Notify(FileFound);
        return true;
    });
}

void CFileFinder::Notify(Notification code) {
    if (m_handler) m_handler(*this, code, m_userValue);
}

CPath CFileFinder::ResultAt(size_t index) const {
    return index < m_results.size() ? CPath(m_results[index]) : CPath(L"");
}

}  // namespace search
