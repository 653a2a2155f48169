// A provisional file goes away when its holder lets go without publishing it
// (as a killed process lets go: handles closed, nothing else), is a store at
// its name once published, and never takes the place of an existing file.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

#include "TestFiles.h"

using namespace pst_test;

namespace {

std::set<std::string> Names(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.insert(entry.path().filename().u8string());
    return names;
}

// A provisional file holding a complete, closed store, as a creation has it
// just before it publishes.
std::unique_ptr<pst::ProvisionalFile> WrittenStore(const TempDir& dir, const std::string& name) {
    const std::string working = dir.File(name + ".creating");
    std::unique_ptr<pst::ProvisionalFile> provisional;
    EXPECT_TRUE(pst::CreateProvisionalFile(working, provisional).IsOk());
    if (!provisional) return nullptr;
    std::unique_ptr<pst::File> file;
    EXPECT_TRUE(provisional->OpenForWriting(file).IsOk());
    if (!file) return nullptr;
    auto store = pst::Store::Create(std::move(file), name);
    EXPECT_TRUE(store.IsOk()) << store.Message();
    if (!store) return nullptr;
    std::unique_ptr<pst::File> second;
    EXPECT_FALSE(pst::OpenExistingFile(working, second).IsOk()) << "a second writer got in";
    EXPECT_TRUE(store.Value()->Close().IsOk());
    return provisional;
}

}  // namespace

TEST(ProvisionalFile, OnlyAPublishedStoreOutlivesItsHolderAndNothingIsReplaced) {
    TempDir dir("provisional");
    auto dropped = WrittenStore(dir, "Dropped");
    ASSERT_NE(nullptr, dropped);
    dropped.reset();
    EXPECT_TRUE(Names(dir).empty()) << "an unpublished file outlived its holder";

    const std::string taken = dir.File("Taken.pst");
    std::ofstream(std::filesystem::u8path(taken), std::ios::binary) << "not ours";
    auto refused = WrittenStore(dir, "Refused");
    ASSERT_NE(nullptr, refused);
    EXPECT_FALSE(refused->Publish(taken).IsOk());
    refused.reset();

    auto published = WrittenStore(dir, "Published");
    ASSERT_NE(nullptr, published);
    ASSERT_TRUE(published->Publish(dir.File("Published.pst")).IsOk());
    published.reset();

    EXPECT_EQ((std::set<std::string>{"Taken.pst", "Published.pst"}), Names(dir));
    std::ifstream in(std::filesystem::u8path(taken), std::ios::binary);
    EXPECT_EQ("not ours", std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    auto store = pst::Store::Open(dir.File("Published.pst"));
    ASSERT_TRUE(store.IsOk()) << store.Message();
    EXPECT_EQ("Published", store.Value()->DisplayName());
}
