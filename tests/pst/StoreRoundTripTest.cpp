// Round trips through the engine's own reader: what is written comes back,
// across reopening and across every size threshold of the format.

#include <gtest/gtest.h>

#include <fstream>

#include "TestFiles.h"

using namespace pst_test;

namespace {

std::unique_ptr<pst::Store> CreateInMemory(const std::shared_ptr<Bytes>& data, const std::string& name = "Test Store") {
    auto r = pst::Store::Create(InMemory(data), name);
    EXPECT_TRUE(r.IsOk()) << r.Message();
    return r.IsOk() ? std::move(r.Value()) : nullptr;
}

std::unique_ptr<pst::Store> Reopen(const std::shared_ptr<Bytes>& data) {
    auto r = pst::Store::Open(InMemory(data));
    EXPECT_TRUE(r.IsOk()) << r.Message();
    return r.IsOk() ? std::move(r.Value()) : nullptr;
}

std::vector<std::string> Names(const pst::Folder& folder) {
    std::vector<std::string> out;
    auto subfolders = folder.Subfolders();
    EXPECT_TRUE(subfolders.IsOk()) << subfolders.Message();
    for (const auto& f : subfolders.Value()) out.push_back(f.Info()->name);
    return out;
}

void ExpectSameMessage(const pst::MessageData& want, const pst::MessageData& got) {
    EXPECT_EQ(want.subject, got.subject);
    EXPECT_EQ(want.bodyText, got.bodyText);
    EXPECT_EQ(want.bodyHtml, got.bodyHtml);
    EXPECT_EQ(want.senderName, got.senderName);
    EXPECT_EQ(want.senderAddress, got.senderAddress);
    EXPECT_EQ(want.submitTime, got.submitTime);
    EXPECT_EQ(want.deliveryTime, got.deliveryTime);
    EXPECT_EQ(want.transportHeaders, got.transportHeaders);
    EXPECT_EQ(want.internetMessageId, got.internetMessageId);
    uint32_t flags = want.flags | (want.attachments.empty() ? 0u : uint32_t(pst::kMessageHasAttachments));
    EXPECT_EQ(flags, got.flags);
    ASSERT_EQ(want.recipients.size(), got.recipients.size());
    for (size_t i = 0; i < want.recipients.size(); ++i) {
        EXPECT_EQ(want.recipients[i].type, got.recipients[i].type);
        EXPECT_EQ(want.recipients[i].displayName, got.recipients[i].displayName);
        EXPECT_EQ(want.recipients[i].emailAddress, got.recipients[i].emailAddress);
    }
    ASSERT_EQ(want.attachments.size(), got.attachments.size());
    for (size_t i = 0; i < want.attachments.size(); ++i) {
        EXPECT_EQ(want.attachments[i].fileName, got.attachments[i].fileName);
        EXPECT_EQ(want.attachments[i].mimeType, got.attachments[i].mimeType);
        EXPECT_TRUE(want.attachments[i].bytes == got.attachments[i].bytes) << "attachment " << i << " bytes differ";
    }
}

}  // namespace

TEST(StoreRoundTrip, NewStoreHoldsTheStandardFoldersUnderItsName) {
    auto data = std::make_shared<Bytes>();
    { CreateInMemory(data, "Mailbox \xE2\x80\x93 Anna"); }
    auto store = Reopen(data);
    ASSERT_TRUE(store);
    EXPECT_EQ("Mailbox \xE2\x80\x93 Anna", store->DisplayName());
    EXPECT_EQ((std::vector<std::string>{"SPAM Search Folder 2", "Top of Personal Folders", "Search Root"}),
              Names(store->RootFolder()));
    EXPECT_EQ((std::vector<std::string>{"Deleted Items"}), Names(store->IpmSubtree()));
    EXPECT_EQ("Deleted Items", store->DeletedItems().Info()->name);
}

TEST(StoreRoundTrip, EveryMessageFieldSurvivesReopening) {
    auto data = std::make_shared<Bytes>();
    std::vector<pst::MessageData> written;
    {
        auto store = CreateInMemory(data);
        auto inbox = store->IpmSubtree().CreateSubfolder("Inbox");
        ASSERT_TRUE(inbox.IsOk()) << inbox.Message();
        for (int i = 0; i < 6; ++i) {
            pst::MessageData m =
                SampleMessage(i, 200 + 700 * static_cast<size_t>(i), i % 2 ? 0 : 3000 * static_cast<size_t>(i + 1));
            if (i == 4) {
                m.bodyText =
                    "Gr\xC3\xBC\xC3\x9F"
                    "e \xE2\x80\x94 non-ASCII body \xF0\x9F\x93\xA7";
                m.recipients.push_back({pst::RecipientType::Bcc, "Hidden", "bcc@example.com"});
                pst::Attachment second;
                second.fileName =
                    "\xC3\xBC"
                    "bersicht.pdf";
                second.mimeType = "application/pdf";
                second.bytes = {0x78, 0x9C, 0x00, 0x01};
                m.attachments.push_back(second);
            }
            ASSERT_TRUE(inbox->AddMessage(m).IsOk());
            written.push_back(m);
        }
        ASSERT_TRUE(store->Close().IsOk());
    }
    auto store = Reopen(data);
    ASSERT_TRUE(store);
    auto inbox = store->IpmSubtree().FindSubfolder("inbox");
    ASSERT_TRUE(inbox.IsOk() && inbox->IsValid());
    auto info = inbox->Info();
    EXPECT_EQ(6u, info->contentCount);
    EXPECT_EQ(3u, info->unreadCount);
    EXPECT_EQ("IPF.Note", info->containerClass);
    auto messages = inbox->Messages();
    ASSERT_TRUE(messages.IsOk()) << messages.Message();
    ASSERT_EQ(written.size(), messages->size());
    for (size_t i = 0; i < written.size(); ++i) ExpectSameMessage(written[i], (*messages)[i].data);
}

TEST(StoreRoundTrip, ValuesOnEitherSideOfEverySizeThreshold) {
    // 3580: largest heap allocation; 8176: one block; 1021 blocks: one XBLOCK.
    const size_t xblockReach = 1021u * 8176u;
    const std::vector<size_t> sizes = {1, 3580, 3581, 8176, 8177, 2 * 8176 + 1, xblockReach, xblockReach + 1};
    auto data = std::make_shared<Bytes>();
    std::vector<pst::MessageData> written;
    {
        auto store = CreateInMemory(data);
        auto folder = store->IpmSubtree().CreateSubfolder("Sizes");
        for (size_t i = 0; i < sizes.size(); ++i) {
            pst::MessageData m = SampleMessage(static_cast<int>(i), sizes[i] / 2, sizes[i]);
            m.bodyHtml.assign(sizes[i], 'h');
            m.transportHeaders.resize(std::min<size_t>(sizes[i], 9000), 'x');
            ASSERT_TRUE(folder->AddMessage(m).IsOk());
            written.push_back(m);
        }
        pst::MessageData nonAscii = SampleMessage(99);
        std::string text;
        while (text.size() < 3 * 8176) text += "\xC3\xA4";  // two bytes each way: UTF-16 crosses at half the count
        nonAscii.bodyText = text;
        ASSERT_TRUE(folder->AddMessage(nonAscii).IsOk());
        written.push_back(nonAscii);
    }
    auto store = Reopen(data);
    auto messages = store->IpmSubtree().FindSubfolder("Sizes")->Messages();
    ASSERT_TRUE(messages.IsOk()) << messages.Message();
    ASSERT_EQ(written.size(), messages->size());
    for (size_t i = 0; i < written.size(); ++i) ExpectSameMessage(written[i], (*messages)[i].data);
}

TEST(StoreRoundTrip, ThousandsOfMessagesAndAppendingAfterReopen) {
    // 3000 rows: the row matrix spans dozens of blocks, the row index has two
    // levels, and the node and block B-trees are several pages deep.
    const int first = 3000;
    auto data = std::make_shared<Bytes>();
    {
        auto store = CreateInMemory(data);
        auto folder = store->IpmSubtree().CreateSubfolder("Archive");
        for (int i = 0; i < first; ++i) ASSERT_TRUE(folder->AddMessage(SampleMessage(i, 100)).IsOk()) << i;
        // Not closed: the reopen has to rebuild the allocation map from the B-trees.
    }
    {
        auto store = Reopen(data);
        auto folder = store->IpmSubtree().FindSubfolder("Archive");
        for (int i = first; i < first + 20; ++i) ASSERT_TRUE(folder->AddMessage(SampleMessage(i, 5000)).IsOk()) << i;
        ASSERT_TRUE(store->Close().IsOk());
    }
    auto store = Reopen(data);
    auto folder = store->IpmSubtree().FindSubfolder("Archive");
    EXPECT_EQ(uint32_t(first + 20), folder->Info()->contentCount);
    auto messages = folder->Messages();
    ASSERT_TRUE(messages.IsOk()) << messages.Message();
    ASSERT_EQ(size_t(first + 20), messages->size());
    for (int i = 0; i < first + 20; i += 97)
        EXPECT_EQ(SampleMessage(i).subject, (*messages)[static_cast<size_t>(i)].data.subject);
    EXPECT_EQ(SampleMessage(first + 19, 5000).bodyText, messages->back().data.bodyText);
}

TEST(StoreRoundTrip, ManyFoldersNestedAndNamedUniquely) {
    auto data = std::make_shared<Bytes>();
    {
        auto store = CreateInMemory(data);
        pst::Folder ipm = store->IpmSubtree();
        for (int i = 0; i < 400; ++i) ASSERT_TRUE(ipm.CreateSubfolder("Folder " + std::to_string(i)).IsOk()) << i;
        pst::Folder deep = ipm;
        for (int level = 0; level < 8; ++level) {
            auto next = deep.CreateSubfolder("Level " + std::to_string(level), "IPF.Note");
            ASSERT_TRUE(next.IsOk());
            deep = next.Value();
        }
        ASSERT_TRUE(deep.AddMessage(SampleMessage(1)).IsOk());
        auto duplicate = ipm.CreateSubfolder("FOLDER 7");
        EXPECT_FALSE(duplicate.IsOk()) << "a second folder with the same name (in another case) was created";
        // A refused duplicate is no failure of the store: it goes on working.
        EXPECT_TRUE(ipm.FindOrCreateSubfolder("Folder 7").IsOk());
        EXPECT_TRUE(ipm.CreateSubfolder("After").IsOk());
    }
    auto store = Reopen(data);
    std::vector<std::string> names = Names(store->IpmSubtree());
    EXPECT_EQ(size_t(1 + 400 + 1 + 1), names.size());
    pst::Folder f = store->IpmSubtree();
    for (int level = 0; level < 8; ++level) {
        EXPECT_TRUE(f.Info()->hasSubfolders);
        auto next = f.FindSubfolder("Level " + std::to_string(level));
        ASSERT_TRUE(next.IsOk() && next->IsValid()) << level;
        f = next.Value();
    }
    EXPECT_FALSE(f.Info()->hasSubfolders);
    EXPECT_EQ(1u, f.Info()->contentCount);
}

TEST(StoreRoundTrip, FreedSpaceIsReusedSoTheFileStaysNearItsContent) {
    auto data = std::make_shared<Bytes>();
    size_t raw = 0;
    {
        auto store = CreateInMemory(data);
        auto folder = store->IpmSubtree().CreateSubfolder("Inbox");
        for (int i = 0; i < 1500; ++i) {
            pst::MessageData m = SampleMessage(i, 2000, i % 10 == 0 ? 20000 : 0);
            m.bodyHtml.clear();
            m.transportHeaders.clear();
            raw += m.bodyText.size() + m.subject.size() + (i % 10 == 0 ? 20000 : 0);
            ASSERT_TRUE(folder->AddMessage(m).IsOk());
        }
        ASSERT_TRUE(store->Close().IsOk());
    }
    // Every commit rewrites the folder's table blocks; without reuse of the old
    // copies the file would be many times the content.
    EXPECT_LT(static_cast<double>(data->size()), 1.8 * static_cast<double>(raw));
}

TEST(SubjectPrefix, SplitsShortPrefixesFollowedByColonAndAnyBlanks) {
    struct Case {
        const char* subject;
        size_t prefix;
    } cases[] = {
        {"RE: Hello", 4}, {"Fwd: Hello", 5},   {"AW: x", 4},   {"Re:Hello", 3},        {"RE:x", 3},
        {"RE:  x", 5},    {"RE:", 3},          {"Four: x", 0}, {"Meeting: 10", 0},     {"At 10: noon", 0},
        {"1: first", 0},  {"\xC3\x84W: x", 5}, {"", 0},        {"Subject without", 0}, {": x", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.prefix, pst::SubjectPrefixLength(c.subject)) << c.subject;
}

TEST(StoreRoundTrip, StoreOnDiskIsReopenedAndAppended) {
    // The same round trip through the platform file class (Win32 under wine).
    TempDir dir("on_disk");
    std::string path = dir.File("disk.pst");
    {
        auto store = pst::Store::Create(path, "On Disk");
        ASSERT_TRUE(store.IsOk()) << store.Message();
        auto inbox = store.Value()->IpmSubtree().CreateSubfolder("Inbox");
        for (int i = 0; i < 300; ++i) ASSERT_TRUE(inbox->AddMessage(SampleMessage(i, 1000, i % 25 ? 0 : 20000)).IsOk());
    }
    {
        auto store = pst::Store::Open(path);
        ASSERT_TRUE(store.IsOk()) << store.Message();
        auto inbox = store.Value()->IpmSubtree().FindSubfolder("Inbox");
        for (int i = 300; i < 320; ++i) ASSERT_TRUE(inbox->AddMessage(SampleMessage(i)).IsOk());
        ASSERT_TRUE(store.Value()->Close().IsOk());
    }
    auto store = pst::Store::Open(path);
    ASSERT_TRUE(store.IsOk()) << store.Message();
    auto messages = store.Value()->IpmSubtree().FindSubfolder("Inbox")->Messages();
    ASSERT_EQ(320u, messages->size());
    ExpectSameMessage(SampleMessage(275, 1000, 20000), (*messages)[275].data);
    ExpectSameMessage(SampleMessage(319), (*messages)[319].data);
}
