// Structural checks of written files beyond what readers look at, and the
// three views of every folder kept in step: the NBT parent links (what
// readpst follows), the hierarchy and contents table rows (what libpff and
// Outlook follow) and the folder's counts.

#include <gtest/gtest.h>

#include <algorithm>

#include "FormatChecker.h"
#include "TestFiles.h"

using namespace pst_test;

namespace {

void ExpectWellFormed(const Bytes& file, const char* stage,
                      FormatChecker::Ending ending = FormatChecker::Ending::Closed) {
    FormatChecker checker(file, ending);
    for (const auto& p : checker.Problems()) ADD_FAILURE() << stage << ": " << p;
}

void ExpectFolderViewsAgree(const Bytes& file, const pst::Folder& folder) {
    FormatChecker checker(file);
    std::vector<uint32_t> linkedFolders, linkedMessages;
    auto it = checker.Children().find(folder.Id());
    if (it != checker.Children().end())
        for (uint32_t nid : it->second) {
            bool folder = (nid & 0x1F) == 0x02 || (nid & 0x1F) == 0x03;  // normal or search folder
            (folder ? linkedFolders : linkedMessages).push_back(nid);
        }
    std::vector<uint32_t> rows;
    auto subfolders = folder.Subfolders();
    for (const auto& f : subfolders.Value()) rows.push_back(f.Id());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(linkedFolders, rows) << "hierarchy rows differ from NBT children of folder " << folder.Id();
    auto messages = folder.Messages();
    std::vector<uint32_t> messageRows;
    for (const auto& m : messages.Value()) messageRows.push_back(m.id);
    std::sort(messageRows.begin(), messageRows.end());
    EXPECT_EQ(linkedMessages, messageRows) << "contents rows differ from NBT children of folder " << folder.Id();
    EXPECT_EQ(messageRows.size(), folder.Info()->contentCount);
    EXPECT_EQ(!rows.empty(), folder.Info()->hasSubfolders) << folder.Info()->name;
    for (const auto& f : subfolders.Value()) ExpectFolderViewsAgree(file, f);
}

}  // namespace

TEST(FormatCheck, FreshStoreIsWellFormedWithExactMaps) {
    auto data = std::make_shared<Bytes>();
    { ASSERT_TRUE(pst::Store::Create(InMemory(data), "Fresh").IsOk()); }
    ExpectWellFormed(*data, "fresh store");
    EXPECT_EQ(2, (*data)[248]) << "a new store declares its allocation maps valid";
}

TEST(FormatCheck, BusyStoreStaysWellFormedAcrossSessions) {
    auto data = std::make_shared<Bytes>();
    {
        auto store = pst::Store::Create(InMemory(data), "Busy");
        auto inbox = store.Value()->IpmSubtree().CreateSubfolder("Inbox");
        auto nested = inbox->CreateSubfolder("Nested");
        for (int i = 0; i < 1200; ++i) {
            ASSERT_TRUE(
                inbox->AddMessage(SampleMessage(i, 50 + 37 * static_cast<size_t>(i % 300), i % 9 ? 0 : 9000)).IsOk());
            // A process may end after any commit: the maps must hold at each one.
            if (i < 40 || i % 97 == 0) ExpectWellFormed(*data, "after a commit", FormatChecker::Ending::NotClosed);
            if (i % 100 == 0) {
                ASSERT_TRUE(nested->AddMessage(SampleMessage(i)).IsOk());
            }
            if (i % 150 == 0) {
                ASSERT_TRUE(store.Value()->IpmSubtree().CreateSubfolder("Folder " + std::to_string(i)).IsOk());
            }
        }
    }
    // As a process that ends without closing leaves it: maps valid, at most
    // the last commit's releases still marked.
    ExpectWellFormed(*data, "first session, not closed", FormatChecker::Ending::NotClosed);
    {
        auto store = pst::Store::Open(InMemory(data));
        ASSERT_TRUE(store.IsOk());
        auto inbox = store.Value()->IpmSubtree().FindSubfolder("Inbox");
        for (int i = 0; i < 50; ++i) ASSERT_TRUE(inbox->AddMessage(SampleMessage(5000 + i, 20000)).IsOk());
        ASSERT_TRUE(store.Value()->Close().IsOk());
    }
    ExpectWellFormed(*data, "second session, closed");
    auto store = pst::Store::Open(InMemory(data));
    ExpectFolderViewsAgree(*data, store.Value()->RootFolder());
}

// Past 128 intervals (about 32 MB) the file carries FMap pages, whose bytes
// must follow the maps they summarise at every commit, not only at Close().
TEST(FormatCheck, FMapsFollowTheMapsInALargeStore) {
    auto data = std::make_shared<Bytes>();
    auto store = pst::Store::Create(InMemory(data), "Large");
    auto inbox = store.Value()->IpmSubtree().CreateSubfolder("Inbox");
    for (int i = 0; data->size() < 40u << 20; ++i)
        ASSERT_TRUE(inbox->AddMessage(SampleMessage(i, 4000, 1500000 + 70001 * static_cast<size_t>(i % 5))).IsOk());
    ExpectWellFormed(*data, "large store, not closed", FormatChecker::Ending::NotClosed);
    ASSERT_TRUE(store.Value()->Close().IsOk());
    ExpectWellFormed(*data, "large store, closed");
}

// Messages handed over together share one commit: batches that fill several
// blocks of rows at once, mixed with single ones and across a reopen, leave
// the file well formed at each commit and the folder's views in step.
TEST(FormatCheck, BatchesOfMessagesKeepTheFileAndTheViewsInStep) {
    auto data = std::make_shared<Bytes>();
    int next = 0;
    auto addBatch = [&](const pst::Folder& folder, size_t count) {
        std::vector<pst::MessageData> batch;
        for (size_t k = 0; k < count; ++k) batch.push_back(SampleMessage(next++, 200, k % 40 ? 0 : 9000));
        auto ids = folder.AddMessages(batch);
        ASSERT_TRUE(ids.IsOk()) << ids.Message();
        EXPECT_EQ(count, ids->size());
        ExpectWellFormed(*data, "after a batch", FormatChecker::Ending::NotClosed);
    };
    {
        auto store = pst::Store::Create(InMemory(data), "Batches");
        auto inbox = store.Value()->IpmSubtree().CreateSubfolder("Inbox");
        // 64 rows fill a block: commits end on a block boundary, then past one.
        for (size_t count : {1, 63, 150, 42}) addBatch(*inbox, count);
    }
    {
        auto store = pst::Store::Open(InMemory(data));
        addBatch(store.Value()->IpmSubtree().FindSubfolder("Inbox").Value(), 100);
        ASSERT_TRUE(store.Value()->Close().IsOk());
    }
    ExpectWellFormed(*data, "closed");
    auto store = pst::Store::Open(InMemory(data));
    auto messages = store.Value()->IpmSubtree().FindSubfolder("Inbox")->Messages();
    ASSERT_EQ(size_t(next), messages->size());
    for (int i = 0; i < next; ++i) EXPECT_EQ(SampleMessage(i).subject, (*messages)[size_t(i)].data.subject);
    ExpectFolderViewsAgree(*data, store.Value()->RootFolder());
}
