// The tree from parent links alone: every folder placed once, damaged links
// reported and never followed round, whatever the order of the rows.
#include <gtest/gtest.h>

#include <algorithm>

#include "exchange/Structure.h"

namespace {

using korvane::exchange::BuildFolderTree;
using korvane::exchange::Folder;
using korvane::exchange::FolderLink;

struct Row {
    const char* id;
    const char* parent;
    const char* name;
};

struct Built {
    std::vector<std::string> paths;  // in the order returned
    std::vector<std::string> problems;
};

Built Build(const std::vector<Row>& rows) {
    std::vector<FolderLink> links;
    std::vector<Folder> folders;
    for (const Row& row : rows) {
        links.push_back({row.id, row.parent});
        folders.push_back({});
        folders.back().name = row.name;
    }
    uint64_t steps = 0;
    Built built;
    built.problems = BuildFolderTree(links, folders, steps);
    for (size_t i = 0; i < folders.size(); ++i) {
        built.paths.push_back(folders[i].path);
        EXPECT_LT(folders[i].parent, static_cast<int>(i)) << "a parent after its child";
    }
    return built;
}

TEST(FolderTree, DamagedLinksAreReportedAndEveryFolderKept) {
    const struct {
        const char* what;
        std::vector<Row> rows;
        std::vector<std::string> paths;
        std::vector<std::string> problemsContain;
    } cases[] = {
        {"rows in any order",
         {{"c", "b", "Inbox"}, {"b", "a", "Top"}, {"a", "", ""}, {"d", "b", "Calendar"}},
         {"", "Top", "Top/Calendar", "Top/Inbox"},
         {}},
        {"the unnamed root pointing at itself is sound",
         {{"a", "a", ""}, {"b", "a", "Top"}},
         {"", "Top"},
         {}},
        {"a named folder its own parent",
         {{"a", "", ""}, {"b", "b", "Loop"}, {"c", "b", "Below"}},
         {"", "Loop", "Loop/Below"},
         {"\"Loop\" (id 62) names itself as its parent"}},
        {"an orphan and its subfolder",
         {{"a", "", ""}, {"b", "zz", "Lost"}, {"c", "b", "Child"}},
         {"", "Lost", "Lost/Child"},
         {"\"Lost\" (id 62) names a parent folder 7a7a that is not in the mailbox"}},
        {"a ring of three with a folder below it",
         {{"a", "", ""}, {"b", "d", "B"}, {"c", "b", "C"}, {"d", "c", "D"}, {"e", "c", "E"}},
         {"", "B", "B/C", "B/C/D", "B/C/E"},
         {"folders \"B\", \"D\", \"C\" are each other's parents; the ring is cut above folder \"B\""}},
        {"two folders with one id",
         {{"a", "", ""}, {"b", "a", "First"}, {"b", "a", "Second"}, {"c", "b", "Child"}},
         {"", "First", "First/Child", "Second"},
         {"\"Second\" (id 62) has the same id as folder \"First\""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Built built = Build(c.rows);
        EXPECT_EQ(built.paths, c.paths);
        ASSERT_EQ(built.problems.size(), c.problemsContain.size());
        for (size_t i = 0; i < c.problemsContain.size(); ++i)
            EXPECT_NE(built.problems[i].find(c.problemsContain[i]), std::string::npos) << built.problems[i];
    }
}

// A chain deeper than any call stack, closed into one ring: no recursion,
// work a small multiple of the folders, and paths cut every 1,000 levels
// instead of growing with the square of the depth.
TEST(FolderTree, DeepRingEndsInLinearWorkAndBoundedPaths) {
    constexpr int kDepth = 30000;
    std::vector<FolderLink> links;
    std::vector<Folder> folders(kDepth);
    for (int i = 0; i < kDepth; ++i) {
        links.push_back({std::to_string(i), std::to_string((i + kDepth - 1) % kDepth)});
        folders[i].name = "x";
    }
    uint64_t steps = 0;
    std::vector<std::string> problems = BuildFolderTree(links, folders, steps);
    ASSERT_EQ(problems.size(), 1u + kDepth / 1000 - 1);
    EXPECT_NE(problems.back().find("lies 1000 levels below the top"), std::string::npos) << problems.back();
    size_t longest = 0;
    for (const Folder& f : folders) longest = std::max(longest, f.path.size());
    EXPECT_EQ(folders.back().depth, 999);
    EXPECT_EQ(longest, 999u * 2 + 1);
    EXPECT_LE(steps, 3u * kDepth);
}

}  // namespace
