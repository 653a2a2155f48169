// Files written by the engine, read by independent readers: readpst (libpst),
// pffexport (libpff) and pst-extractor. Each must see the folder tree, the
// message count of every folder, and the subjects, bodies, senders, times and
// attachments that were written.

#include <gtest/gtest.h>

#include "ReaderTools.h"
#include "TestFiles.h"

using namespace pst_test;

namespace {

struct Planned {
    std::string folder;  // path below the IPM subtree
    pst::MessageData message;
};

pst::Folder FolderAt(pst::Store& store, const std::string& path) {
    pst::Folder f = store.IpmSubtree();
    size_t at = 0;
    while (at < path.size()) {
        size_t slash = path.find('/', at);
        std::string name = path.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
        auto next = f.FindOrCreateSubfolder(name);
        EXPECT_TRUE(next.IsOk()) << next.Message();
        f = next.Value();
        at = slash == std::string::npos ? path.size() : slash + 1;
    }
    return f;
}

void ExpectCounts(const std::map<std::string, size_t>& want, const Extracted& got, const char* reader) {
    for (const auto& w : want) {
        auto it = got.find(w.first);
        size_t count = it == got.end() ? 0 : it->second.size();
        EXPECT_EQ(w.second, count) << reader << ": folder " << w.first;
    }
    for (const auto& g : got) {
        EXPECT_TRUE(want.count(g.first)) << reader << " found messages in unexpected folder " << g.first;
    }
}

const ExtractedMessage* FindBySubject(const Extracted& got, const std::string& folder, const std::string& needle) {
    auto it = got.find(folder);
    if (it == got.end()) return nullptr;
    for (const auto& m : it->second)
        if (Contains(m.text, needle)) return &m;
    return nullptr;
}

class ReaderInterop : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ReadersInstalled(kAllReaders)); }
};

}  // namespace

TEST_F(ReaderInterop, FolderTreeMessagesAndAttachmentsReadByBothReaders) {
    TempDir dir("interop");
    std::string path = dir.File("interop.pst");
    std::vector<Planned> plan;
    for (int i = 0; i < 5; ++i)
        plan.push_back({"Inbox", SampleMessage(i, 300 + 4000 * static_cast<size_t>(i), i % 2 ? 0 : 25000)});
    plan.push_back({"Inbox/Projects/2026", SampleMessage(10, 100)});
    plan.push_back({"Inbox/Projects/2026", SampleMessage(11, 100, 9000)});
    plan.push_back({"Sent Items", SampleMessage(20)});
    plan.push_back(
        {"\xC3\x9Cn\xC3\xAF"
         "c\xC3\xB8"
         "d\xC3\xA9 Folder",
         SampleMessage(30)});
    for (auto& p : plan) {
        // Without transport headers readpst composes the header from the properties.
        p.message.transportHeaders.clear();
        p.message.subject = "Unique " + std::to_string(&p - &plan[0]) + " \xE4\xBD\xA0\xE5\xA5\xBD \xC3\xA9t\xC3\xA9";
    }
    {
        auto store = pst::Store::Create(path, "Interop Store");
        ASSERT_TRUE(store.IsOk()) << store.Message();
        for (const auto& p : plan) ASSERT_TRUE(FolderAt(*store.Value(), p.folder).AddMessage(p.message).IsOk());
        ASSERT_TRUE(store.Value()->DeletedItems().AddMessage(SampleMessage(40)).IsOk());
    }
    std::map<std::string, size_t> counts = {{"Inbox", 5},
                                            {"Inbox/Projects/2026", 2},
                                            {"Sent Items", 1},
                                            {"\xC3\x9Cn\xC3\xAF"
                                             "c\xC3\xB8"
                                             "d\xC3\xA9 Folder",
                                             1},
                                            {"Deleted Items", 1}};
    std::string log;
    Extracted byReadpst = RunReadpst(path, dir.Path() / "readpst", log);
    ExpectCounts(counts, byReadpst, "readpst");
    EXPECT_FALSE(Contains(log, "items skipped") && !Contains(log, " 0 items skipped")) << log;
    Extracted byPff = RunPffexport(path, dir.Path() / "pff", log);
    ExpectCounts(counts, byPff, "pffexport");
    EXPECT_FALSE(Contains(log, "nable to")) << log;

    for (size_t i = 0; i < plan.size(); ++i) {
        const pst::MessageData& m = plan[i].message;
        const ExtractedMessage* pff = FindBySubject(byPff, plan[i].folder, "Subject:\t\t\t\t" + m.subject + "\n");
        ASSERT_TRUE(pff) << "pffexport lost subject " << m.subject;
        EXPECT_TRUE(Contains(pff->text, m.senderAddress));
        EXPECT_TRUE(Contains(pff->text, "Sender name:\t\t\t\t" + m.senderName));
        EXPECT_EQ(m.bodyText, pff->body) << m.subject;
        // readpst writes the subject RFC 2047-encoded, so find it by its sender.
        const ExtractedMessage* rp = FindBySubject(byReadpst, plan[i].folder, "<" + m.senderAddress + ">");
        ASSERT_TRUE(rp) << "readpst lost the message from " << m.senderAddress;
        std::string unixBody;  // readpst writes line ends as LF
        for (char c : m.bodyText.substr(0, 400))
            if (c != '\r') unixBody.push_back(c);
        EXPECT_TRUE(Contains(rp->text, unixBody));
        EXPECT_TRUE(Contains(rp->text, "To: " + m.recipients[0].displayName + "\n"));
        EXPECT_TRUE(Contains(rp->text, "Cc: " + m.recipients[1].displayName + "\n"));
        for (const auto& a : m.attachments) {
            std::string bytes(a.bytes.begin(), a.bytes.end());
            ASSERT_TRUE(pff->attachments.count(a.fileName)) << "pffexport lost " << a.fileName;
            EXPECT_TRUE(pff->attachments.at(a.fileName) == bytes) << a.fileName;
            ASSERT_TRUE(rp->attachments.count(a.fileName)) << "readpst lost " << a.fileName;
            EXPECT_TRUE(rp->attachments.at(a.fileName) == bytes) << a.fileName;
        }
        if (m.attachments.empty()) {
            EXPECT_TRUE(pff->attachments.empty() && rp->attachments.empty());
        }
    }
    Extracted byExtractor = RunPstExtractor(path, dir.Path() / "extractor", log);
    EXPECT_TRUE(log.empty()) << log;
    ExpectCounts(counts, byExtractor, "pst-extractor");
    for (const auto& p : plan) {
        const pst::MessageData& m = p.message;
        const ExtractedMessage* px = FindBySubject(byExtractor, p.folder, "Subject: " + m.subject + "\n");
        ASSERT_TRUE(px) << "pst-extractor lost subject " << m.subject;
        EXPECT_TRUE(Contains(px->text, "From: " + m.senderName + " <" + m.senderAddress + ">")) << px->text;
        EXPECT_EQ(m.bodyText, px->body) << m.subject;
        EXPECT_EQ(m.attachments.size(), px->attachments.size()) << m.subject;
        for (const auto& a : m.attachments) {
            auto found = px->attachments.find(a.fileName);
            ASSERT_TRUE(found != px->attachments.end()) << "pst-extractor lost " << a.fileName;
            EXPECT_TRUE(found->second == std::string(a.bytes.begin(), a.bytes.end())) << a.fileName;
        }
    }
    // Times: plan[0] was submitted at 2019-04-17 18:40:00 UTC and delivered a minute later.
    const ExtractedMessage* first = FindBySubject(byPff, "Inbox", plan[0].message.subject);
    ASSERT_TRUE(first);
    EXPECT_TRUE(Contains(first->text, "Client submit time:\t\t\tApr 17, 2019 18:40:00")) << first->text;
    EXPECT_TRUE(Contains(first->text, "Delivery time:\t\t\t\tApr 17, 2019 18:41:00")) << first->text;
    const ExtractedMessage* firstRp = FindBySubject(byReadpst, "Inbox", plan[0].message.senderAddress);
    EXPECT_TRUE(Contains(firstRp->text, "Date: Wed, 17 Apr 2019 18:40:00 +0000")) << firstRp->text.substr(0, 400);
}

TEST_F(ReaderInterop, LargeFoldersManyFoldersAndHugeValues) {
    TempDir dir("interop_large");
    std::string path = dir.File("large.pst");
    const int bulk = 2500;
    pst::MessageData huge = SampleMessage(5000, 9000000, 9000000);
    {
        auto store = pst::Store::Create(path, "Large");
        ASSERT_TRUE(store.IsOk()) << store.Message();
        auto bulkFolder = store.Value()->IpmSubtree().CreateSubfolder("Bulk");
        for (int i = 0; i < bulk; ++i) ASSERT_TRUE(bulkFolder->AddMessage(SampleMessage(i, 400)).IsOk());
        auto parent = store.Value()->IpmSubtree().CreateSubfolder("Many");
        for (int i = 0; i < 150; ++i) {
            auto f = parent->CreateSubfolder("Sub " + std::to_string(i));
            ASSERT_TRUE(f.IsOk());
            if (i % 50 == 0) {
                ASSERT_TRUE(f->AddMessage(SampleMessage(i)).IsOk());
            }
        }
        ASSERT_TRUE(store.Value()->IpmSubtree().CreateSubfolder("Huge")->AddMessage(huge).IsOk());
        ASSERT_TRUE(store.Value()->Close().IsOk());
    }
    std::map<std::string, size_t> counts = {
        {"Bulk", size_t(bulk)}, {"Huge", 1}, {"Many/Sub 0", 1}, {"Many/Sub 50", 1}, {"Many/Sub 100", 1}};
    std::string log;
    Extracted byReadpst = RunReadpst(path, dir.Path() / "readpst", log);
    ExpectCounts(counts, byReadpst, "readpst");
    Extracted byPff = RunPffexport(path, dir.Path() / "pff", log);
    ExpectCounts(counts, byPff, "pffexport");
    EXPECT_FALSE(Contains(log, "nable to")) << log;
    ASSERT_EQ(1u, byPff["Huge"].size());
    EXPECT_EQ(huge.bodyText.size(), byPff["Huge"][0].body.size());
    const std::string hugeBytes(huge.attachments[0].bytes.begin(), huge.attachments[0].bytes.end());
    EXPECT_TRUE(byPff["Huge"][0].attachments[huge.attachments[0].fileName] == hugeBytes);
    ASSERT_EQ(1u, byReadpst["Huge"].size());
    EXPECT_TRUE(byReadpst["Huge"][0].attachments[huge.attachments[0].fileName] == hugeBytes);
    size_t folderDirs = 0;
    for (const auto& e :
         std::filesystem::directory_iterator(dir.Path() / "pff.export" / "Top of Personal Folders" / "Many"))
        folderDirs += e.is_directory() ? 1 : 0;
    EXPECT_EQ(150u, folderDirs);

    // pst-extractor walks exactly ContentCount rows and wants every non-final block
    // of a row matrix full: the large folder is where those rules bite.
    Extracted byExtractor = RunPstExtractor(path, dir.Path() / "extractor", log);
    EXPECT_TRUE(log.empty()) << log;
    ExpectCounts(counts, byExtractor, "pst-extractor");
    ASSERT_EQ(1u, byExtractor["Huge"].size());
    EXPECT_EQ(huge.bodyText, byExtractor["Huge"][0].body);
    EXPECT_TRUE(byExtractor["Huge"][0].attachments[huge.attachments[0].fileName] == hugeBytes);
}
