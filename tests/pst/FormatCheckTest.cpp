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

void ExpectWellFormed(const Bytes& file, const char* stage) {
  FormatChecker checker(file);
  for (const auto& p : checker.Problems()) ADD_FAILURE() << stage << ": " << p;
}

void ExpectFolderViewsAgree(const Bytes& file, const pst::Folder& folder) {
  FormatChecker checker(file);
  std::vector<uint32_t> linkedFolders, linkedMessages;
  auto it = checker.Children().find(folder.Id());
  if (it != checker.Children().end())
    for (uint32_t nid : it->second) ((nid & 0x1F) == 0x02 ? linkedFolders : linkedMessages).push_back(nid);
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
      ASSERT_TRUE(inbox->AddMessage(SampleMessage(i, 50 + 37 * static_cast<size_t>(i % 300), i % 9 ? 0 : 9000)).IsOk());
      if (i % 100 == 0) {
        ASSERT_TRUE(nested->AddMessage(SampleMessage(i)).IsOk());
      }
      if (i % 150 == 0) {
        ASSERT_TRUE(store.Value()->IpmSubtree().CreateSubfolder("Folder " + std::to_string(i)).IsOk());
      }
    }
  }
  // As a killed process leaves it: maps stale (flag 0), everything else exact.
  ExpectWellFormed(*data, "first session, not closed");
  EXPECT_EQ(0, (*data)[248]);
  {
    auto store = pst::Store::Open(InMemory(data));
    ASSERT_TRUE(store.IsOk());
    auto inbox = store.Value()->IpmSubtree().FindSubfolder("Inbox");
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(inbox->AddMessage(SampleMessage(5000 + i, 20000)).IsOk());
    ASSERT_TRUE(store.Value()->Close().IsOk());
  }
  ExpectWellFormed(*data, "second session, closed");
  EXPECT_EQ(2, (*data)[248]);
  auto store = pst::Store::Open(InMemory(data));
  ExpectFolderViewsAgree(*data, store.Value()->RootFolder());
}
