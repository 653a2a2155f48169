// The engine never destroys what it did not write: existing files are neither
// truncated nor overwritten, and a path holding something else is refused.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "TestFiles.h"

using namespace pst_test;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary);
    out << bytes;
}

}  // namespace

TEST(StoreRefusal, PathsHoldingSomethingElseAreLeftUntouched) {
    TempDir dir("refusal");
    std::string fakeHeader = std::string("!BDN") + std::string(600, '\x11');
    struct Case {
        const char* name;
        std::string contents;
    } cases[] = {
        {"text.pst", "Dear diary, this is not a mail store.\n"},
        {"fake.pst", fakeHeader},
        {"ansi.pst", std::string("!BDN\0\0\0\0SM\x0e\0", 12) + std::string(20000, '\0')},
    };
    for (const auto& c : cases) {
        std::string path = dir.File(c.name);
        WriteAll(path, c.contents);
        EXPECT_FALSE(pst::Store::Create(path, "x").IsOk()) << c.name;
        auto opened = pst::Store::Open(path);
        EXPECT_FALSE(opened.IsOk()) << c.name;
        EXPECT_FALSE(opened.Message().empty());
        EXPECT_FALSE(pst::Store::OpenOrCreate(path, "x").IsOk()) << c.name;
        EXPECT_EQ(c.contents, ReadAll(path)) << c.name << " was modified";
    }
    std::filesystem::create_directories(dir.Path() / "folder.pst");
    EXPECT_FALSE(pst::Store::OpenOrCreate(dir.File("folder.pst"), "x").IsOk());
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "folder.pst"));
}

TEST(StoreRefusal, CreateMakesMissingDirectoriesAndNeverReplacesAStore) {
    TempDir dir("create");
    std::string path = dir.File("a/b \xC3\xA9t\xC3\xA9/c/mail.pst");
    {
        auto store = pst::Store::Create(path, "First");
        ASSERT_TRUE(store.IsOk()) << store.Message();
        ASSERT_TRUE(store.Value()->IpmSubtree().CreateSubfolder("Inbox").IsOk());
    }
    std::string before = ReadAll(path);
    EXPECT_FALSE(pst::Store::Create(path, "Second").IsOk());
    EXPECT_EQ(before, ReadAll(path));
    {
        // While one store has the file open, nobody else may write to it.
        auto first = pst::Store::Open(path);
        ASSERT_TRUE(first.IsOk()) << first.Message();
        EXPECT_FALSE(pst::Store::Open(path).IsOk());
    }
    auto reopened = pst::Store::OpenOrCreate(path, "Second");
    ASSERT_TRUE(reopened.IsOk()) << reopened.Message();
    EXPECT_EQ("First", reopened.Value()->DisplayName());
    EXPECT_TRUE(reopened.Value()->IpmSubtree().FindSubfolder("Inbox")->IsValid());
}

TEST(StoreRefusal, AnEmptyFileCountsAsNoFileForCreateButIsNoStoreToOpen) {
    // What a creation killed before its first commit leaves behind.
    TempDir dir("empty");
    for (bool viaOpenOrCreate : {false, true}) {
        std::string path = dir.File(viaOpenOrCreate ? "a.pst" : "b.pst");
        WriteAll(path, "");
        EXPECT_FALSE(pst::Store::Open(path).IsOk());
        {
            auto store = viaOpenOrCreate ? pst::Store::OpenOrCreate(path, "Fresh") : pst::Store::Create(path, "Fresh");
            ASSERT_TRUE(store.IsOk()) << store.Message();
            ASSERT_TRUE(store.Value()->IpmSubtree().CreateSubfolder("Inbox").IsOk());
        }
        auto reopened = pst::Store::Open(path);
        ASSERT_TRUE(reopened.IsOk()) << reopened.Message();
        EXPECT_EQ("Fresh", reopened.Value()->DisplayName());
    }
}
