// CPath's parsing, and the finder's order, mask and stop rules over a folder
// tree in memory; one search of a real folder through the system's lister.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "paths/FileFinder.h"
#include "tests/common/SearchTree.h"

namespace {

TEST(Path, Parsing) {
    struct {
        const wchar_t* text;
        const wchar_t *drive, *directory, *title, *extension, *fileName, *fullPath;
        bool relative;
    } cases[] = {
        {L"C:\\Data\\priv1.edb", L"C:", L"\\Data\\", L"priv1", L"edb", L"priv1.edb", L"C:\\Data\\priv1.edb", false},
        {L"\"C:\\My Data\\a.b.edb\"", L"C:", L"\\My Data\\", L"a.b", L"edb", L"a.b.edb", L"C:\\My Data\\a.b.edb",
         false},
        {L".edb", L"", L"", L"", L"", L"", L"", false},
        {L"C:\\Data\\", L"C:", L"\\Data\\", L"", L"", L"", L"C:\\Data\\", false},
        {L"data/sub/x.edb", L"", L"data\\sub\\", L"x", L"edb", L"x.edb", L"data\\sub\\x.edb", true},
        {L"\"\"", L"", L"", L"", L"", L"", L"", false},
        {L"README", L"", L"", L"README", L"", L"README", L"README", false},
    };
    for (const auto& c : cases) {
        search::CPath path(c.text);
        EXPECT_EQ(path.Drive(), c.drive) << c.text;
        EXPECT_EQ(path.Directory(), c.directory) << c.text;
        EXPECT_EQ(path.Title(), c.title) << c.text;
        EXPECT_EQ(path.Extension(), c.extension) << c.text;
        EXPECT_EQ(path.FileName(), c.fileName) << c.text;
        EXPECT_EQ(std::wstring(path.FullPathText()), c.fullPath) << c.text;
        EXPECT_EQ(path.IsRelative(), c.relative) << c.text;
    }
    search::CPath missing(L"no such folder\\x.edb");
    EXPECT_FALSE(missing.ReadFileData());
    EXPECT_EQ(missing.FileData().lastWriteTime, 0u);
}

// A folder listed for its name ("y.edb\\") is not read like a file: its row
// shows 0 B and the zero time rather than the folder's own times.
TEST(Path, AFolderGivesNoFileData) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "korvane-path-folder.edb";
    fs::create_directories(folder);
    search::CPath path(folder.wstring() + L"\\");
    EXPECT_FALSE(path.ReadFileData());
    EXPECT_EQ(path.FileData().attributes, 0u);
    EXPECT_EQ(path.FileData().sizeLow, 0u);
    EXPECT_EQ(path.FileData().lastWriteTime, 0u);
    EXPECT_EQ(path.LastWriteTime(), search::FileTimeToLocalCalendarTime(0));
    fs::remove(folder);
}

// Folders in memory: folder path (with trailing backslash) -> entries in "file system" order.
class MemoryLister final : public search::FolderLister {
public:
    std::map<std::wstring, std::vector<search::FolderEntry>> folders;
    void List(const std::wstring& folder, const std::wstring& mask,
              const std::function<bool(const search::FolderEntry&)>& visit) override {
        std::wstring key = folder;
        std::replace(key.begin(), key.end(), L'/', L'\\');  // as the system treats both
        auto found = folders.find(key);
        if (found == folders.end()) return;
        for (const search::FolderEntry& entry : found->second)
            if (search::MatchesMask(entry.name, mask) && !visit(entry)) return;
    }
};

constexpr uint32_t kDir = search::kDirectoryAttribute, kFile = 0x80, kHidden = 0x2;

std::unique_ptr<MemoryLister> Tree() {
    auto lister = std::make_unique<MemoryLister>();
    lister->folders[L"R\\"] = {{L".", kDir},   {L"..", kDir},       {L"b.edb", kFile},
                               {L"sub", kDir}, {L"a.EDB", kHidden}, {L"x.edb", kDir}};
    lister->folders[L"R\\sub\\"] = {{L".", kDir}, {L"c.edb", kFile}, {L"deep", kDir}};
    lister->folders[L"R\\sub\\deep\\"] = {{L"d.edb", kFile}, {L"e.txt", kFile}};
    lister->folders[L"R\\x.edb\\"] = {};
    return lister;
}

struct SearchRun {
    std::vector<std::wstring> events;  // "> folder" entered, then each result
    size_t count = 0;
};

SearchRun Search(search::SearchCriteria criteria, int stopAfterResults = -1) {
    search::CFileFinder finder(Tree());
    SearchRun run;
    finder.SetProgressHandler(
        [&](search::CFileFinder& f, search::CFileFinder::Notification code, void* user) {
            EXPECT_EQ(user, &run);
            if (code == search::CFileFinder::FolderEntered) run.events.push_back(L"> " + f.CurrentFolder());
            if (code == search::CFileFinder::FileFound) {
                run.events.push_back(f.ResultAt(f.ResultCount() - 1).FullPath());
                if (static_cast<int>(f.ResultCount()) == stopAfterResults) f.RequestStop();
            }
        },
        &run);
    run.count = finder.Search(criteria);
    return run;
}

TEST(FileFinder, OrderMaskAndStopRules) {
    struct {
        const char* what;
        search::SearchCriteria criteria;
        int stopAfter;
        std::vector<std::wstring> events;
    } cases[] = {
        {"subfolders first, each folder announced before its entries; a matching folder ends in a backslash",
         {L"R", L"*.edb", 1, 0, 0},
         -1,
         {L"> R\\sub\\deep\\", L"R\\sub\\deep\\d.edb", L"> R\\sub\\", L"R\\sub\\c.edb", L"> R\\x.edb\\", L"> R\\",
          L"R\\b.edb", L"R\\a.EDB", L"R\\x.edb\\"}},
        {"no recursion, forward slash at the end (results through CPath, which writes backslashes)",
         {L"R/", L"*.edb", 0, 0, 0},
         -1,
         {L"> R/", L"R\\b.edb", L"R\\a.EDB", L"R\\x.edb\\"}},
        {"attribute filter", {L"R\\", L"*.*", 0, search::kAttributeFilter, kHidden}, -1, {L"> R\\", L"R\\a.EDB"}},
        {"a stop deep down ends every level, each still announcing itself",
         {L"R", L"*.edb", 1, 0, 0},
         1,
         {L"> R\\sub\\deep\\", L"R\\sub\\deep\\d.edb", L"> R\\sub\\", L"> R\\"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SearchRun run = Search(c.criteria, c.stopAfter);
        EXPECT_EQ(run.events, c.events);
    }
}

TEST(FileFinder, MasksAndARealFolder) {
    EXPECT_TRUE(search::MatchesMask(L"PRIV1.edb", L"*.EDB"));
    EXPECT_TRUE(search::MatchesMask(L"noext", L"*.*"));
    EXPECT_TRUE(search::MatchesMask(L"priv1.edb", L"priv?.*"));
    EXPECT_FALSE(search::MatchesMask(L"priv1.edbx", L"*.edb"));
    EXPECT_FALSE(search::MatchesMask(L"priv12.edb", L"priv?.edb"));

    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / "finder-real";
    fs::remove_all(root);
    search_tree::Make(root);
    for (bool below : {true, false}) {
        search::CFileFinder finder;
        const size_t count = finder.Search({root.wstring(), L"*.edb*", below, 0, 0});
        std::set<std::wstring> found;
        for (size_t i = 0; i < count; ++i)
            found.insert(finder.ResultAt(i).FullPath().substr(root.wstring().size() + 1));
        EXPECT_EQ(found, below ? search_tree::kFoundBelow : search_tree::kFoundAtTop) << below;
        EXPECT_EQ(finder.ResultAt(count).FullPath(), L"");
        if (!below) continue;
        EXPECT_EQ(finder.ResultAt(0).FileName(), L"c.EDB");  // the deepest folder comes first
        EXPECT_TRUE(finder.ResultAt(0).ReadFileData());
    }
    fs::remove_all(root);
}

}  // namespace
