#pragma once
// A recursive file search: the full paths of the entries whose names match a
// mask, depth first, each folder's subfolders finished before its own entries
// are listed, with a handler told of every folder entered and every entry
// found. It runs on the caller's thread; the handler may call RequestStop,
// which the search honours before the next entry of every level.
//
// The rules here are portable; listing one folder is the system's part
// (FolderLister*.cpp), and tests put a lister of their own in its place.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "paths/Path.h"

namespace search {

constexpr uint32_t kAttributeFilter = 0x10;  // SearchCriteria::options bit
constexpr uint32_t kDirectoryAttribute = 0x10;

struct SearchCriteria {
    std::wstring folder;
    std::wstring nameMask = L"*.*";
    int recurse = 0;
    uint32_t options = 0;
    uint32_t attributeMask = 0;
};

struct FolderEntry {
    std::wstring name;
    uint32_t attributes = 0;
    bool IsDirectory() const { return (attributes & kDirectoryAttribute) != 0; }
};

class FolderLister {
public:
    virtual ~FolderLister() = default;
    // Hands the entries of `folder` (ending in a separator) whose names match
    // `mask` to `visit`, in the file system's order, "." and ".." included
    // where the system reports them, until `visit` returns false. A folder
    // that cannot be listed gives nothing.
    virtual void List(const std::wstring& folder, const std::wstring& mask,
                      const std::function<bool(const FolderEntry&)>& visit) = 0;
};

// The system's lister: FindFirstFileW on Windows, the directory stream elsewhere.
std::unique_ptr<FolderLister> MakeSystemFolderLister();

// True when `name` matches the wildcard mask as the file system matches it
// (* any run, ? any one character, letter case ignored for ASCII; "*.*" takes
// names without a dot too).
bool MatchesMask(const std::wstring& name, const std::wstring& mask);

class CFileFinder {
public:
    enum Notification { FileFound = 0, FolderEntered = 2 };
    using ProgressHandler = std::function<void(CFileFinder& finder, Notification code, void* userValue)>;

    CFileFinder();
    explicit CFileFinder(std::unique_ptr<FolderLister> lister);

    void SetProgressHandler(ProgressHandler handler, void* userValue);
    // Returns the number of results, those of earlier searches included.
    size_t Search(const SearchCriteria& criteria);
    void RequestStop() { m_stopRequested = true; }

    size_t ResultCount() const { return m_results.size(); }
    CPath ResultAt(size_t index) const;  // an empty CPath outside the list
    const std::wstring& CurrentFolder() const { return m_currentFolder; }
    void ClearResults() { m_results.clear(); }

private:
    void SearchFolder(SearchCriteria criteria);
    void Notify(Notification code);

    std::unique_ptr<FolderLister> m_lister;
    std::vector<std::wstring> m_results;
    bool m_stopRequested = false;
    ProgressHandler m_handler;
    void* m_userValue = nullptr;
    std::wstring m_currentFolder;
};

}  // namespace search
