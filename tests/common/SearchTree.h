#pragma once
// The folder tree the search tests walk, on disk, and what a search of it for
// names holding ".edb" must list (paths below the root, a folder's with a
// backslash at the end).
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace search_tree {

// a.edb (10239 bytes), priv1.edb.old (10240 bytes: "10 KB"), notes.txt,
// plain.edb, y.edb\ (a folder), sub\x.edbak, sub\deep\c.EDB
inline void Make(const std::filesystem::path& root) {
    for (const char* folder : {"sub/deep", "y.edb"}) std::filesystem::create_directories(root / folder);
    const struct {
        const char* path;
        size_t size;
    } files[] = {{"a.edb", 10239}, {"priv1.edb.old", 10240}, {"notes.txt", 1},
                 {"plain.edb", 1}, {"sub/x.edbak", 1},       {"sub/deep/c.EDB", 1}};
    for (const auto& file : files) std::ofstream(root / file.path, std::ios::binary) << std::string(file.size, 'x');
}

inline const std::set<std::wstring> kFoundBelow = {L"sub\\deep\\c.EDB", L"sub\\x.edbak", L"a.edb",
                                                   L"priv1.edb.old",    L"plain.edb",    L"y.edb\\"};
inline const std::set<std::wstring> kFoundAtTop = {L"a.edb", L"priv1.edb.old", L"plain.edb", L"y.edb\\"};

}  // namespace search_tree
