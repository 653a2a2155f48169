// The component's core through the direct interface, with the engine's own
// reader: what is refused and left alone, where folders land, when stores are
// closed, and calls from two threads.

#include <iterator>
#include <set>
#include <thread>

#include "ComponentFixture.h"

using namespace component_test;
using pst_test::Bytes;
using pst_test::FaultyFile;
using pst_test::TempDir;

namespace {

pst::Folder Child(const pst::Folder& parent, const std::string& name) {
    if (!parent.IsValid()) return {};
    auto found = parent.FindSubfolder(name);
    return found ? found.Value() : pst::Folder();
}

size_t MessageCount(const pst::Folder& folder) {
    if (!folder.IsValid()) return 0;
    auto info = folder.Info();
    return info ? info->contentCount : 0;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(StoreRegistry, WhatIsNotOurStoreIsRefusedAndLeftByteIdentical) {
    TempDir dir("refuse");
    const struct {
        const char* label;
        std::string bytes;
    } rows[] = {
        {"text file", "Not a PST at all\r\n"},
        {"PST magic, then garbage", std::string("!BDN\x01\x02\x03\x04SM", 10) + std::string(600, '\x5A')},
        {"empty file", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::string path = dir.File(std::string(row.label) + ".pst");
        std::ofstream(std::filesystem::u8path(path), std::ios::binary) << row.bytes;
        Component component;
        std::string result = component.CreateStore(path, "Korvane-EDB-PST-x");
        EXPECT_EQ(0u, result.find("ERROR: ")) << result;
        EXPECT_NE(std::string::npos, result.find("left unchanged")) << result;
        EXPECT_EQ(0u, component.CreateFolder("\\\\Korvane-EDB-PST-x\\Inbox").find("ERROR: "));
        EXPECT_EQ(0u, component.Import(dir, "\\\\Korvane-EDB-PST-x\\Inbox", 1, MakeSampleMail(1).text).find("ERROR: "));
        EXPECT_EQ(row.bytes, Slurp(path));
    }
    Component component;
    EXPECT_EQ(0u, component.CreateStore(dir.Path().u8string(), "On a directory").find("ERROR: "));
}

// Save Current asks for "Top of Information Store\\Inbox", Save All for
// "Inbox" beside it: both must reach the same folder at the top of the store.
TEST(StoreRegistry, TopOfInformationStoreIsTheTopOfTheStore) {
    TempDir dir("top");
    const std::string name = "Korvane-EDB-PST-bob6-12-2026 9-5";
    // The system puts a second backslash after a run folder that ends in one.
    std::string path = dir.File("Korvane_Converted-EDB-PST-6-12-2026 9-5/") + "/" + name + ".pst";
    Component component;
    ASSERT_TRUE(IsOk(component.CreateStore(path, name)));
    const std::string top = "\\\\" + name + "\\Top of Information Store";
    for (const char* level : {"", "\\Inbox", "\\Calendar", "\\Deleted Items", "\\Inbox\\Projects"})
        EXPECT_TRUE(IsOk(component.CreateFolder(top + level))) << level;
    for (int n = 1; n <= 3; ++n) EXPECT_TRUE(IsOk(component.Import(dir, top + "\\Inbox", n, MakeSampleMail(n).text)));
    EXPECT_TRUE(IsOk(component.Import(dir, "\\\\" + name + "\\Inbox", 4, MakeSampleMail(4).text)));
    // A second scan of the same path puts two more backslashes in front.
    EXPECT_TRUE(IsOk(component.Import(dir, "\\\\" + top + "\\Inbox", 7, MakeSampleMail(7).text)));
    EXPECT_TRUE(IsOk(component.Import(dir, top + "\\Deleted Items", 5, MakeSampleMail(5).text)));
    EXPECT_TRUE(IsOk(component.Import(dir, top + "\\Inbox\\Projects\\New", 6, MakeSampleMail(6).text)));
    component.Shutdown();

    auto store = pst::Store::Open(dir.File("Korvane_Converted-EDB-PST-6-12-2026 9-5/" + name + ".pst"));
    ASSERT_TRUE(store.IsOk()) << store.Message();
    pst::Folder ipm = store.Value()->IpmSubtree();
    EXPECT_FALSE(Child(ipm, "Top of Information Store").IsValid());
    pst::Folder inbox = Child(ipm, "Inbox");
    EXPECT_EQ(5u, MessageCount(inbox));
    EXPECT_EQ("IPF.Appointment", Child(ipm, "Calendar").Info()->containerClass);
    EXPECT_EQ(1u, MessageCount(store.Value()->DeletedItems()));
    EXPECT_EQ(1u, MessageCount(Child(Child(inbox, "Projects"), "New")));
    auto subfolders = ipm.Subfolders();
    ASSERT_TRUE(subfolders.IsOk());
    EXPECT_EQ(3u, subfolders->size()) << "Inbox, Calendar and the store's own Deleted Items";
}

// A store is closed (its file unlocked, exact maps written) once the system
// moves on to the next mailbox, and opened again when named later.
TEST(StoreRegistry, ANewStoreClosesThePreviousOne) {
    TempDir dir("switch");
    Component component;
    ASSERT_TRUE(IsOk(component.CreateStore(dir.File("a.pst"), "A")));
    ASSERT_TRUE(IsOk(component.Import(dir, "\\\\A\\Inbox", 1, MakeSampleMail(1).text)));
    EXPECT_FALSE(pst::Store::Open(dir.File("a.pst")).IsOk()) << "A is open and locked";
    ASSERT_TRUE(IsOk(component.CreateStore(dir.File("b.pst"), "B")));
    {
        auto closed = pst::Store::Open(dir.File("a.pst"));
        ASSERT_TRUE(closed.IsOk()) << "A was not closed: " << closed.Message();
    }
    EXPECT_TRUE(IsOk(component.Import(dir, "\\\\A\\Inbox", 2, MakeSampleMail(2).text)));
    EXPECT_TRUE(IsOk(component.Import(dir, "\\\\B\\Inbox", 3, MakeSampleMail(3).text)));
    EXPECT_EQ(0u, component.Import(dir, "\\\\Nobody\\Inbox", 4, MakeSampleMail(4).text).find("ERROR: "));
    component.Shutdown();
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.insert(entry.path().filename().u8string());
    EXPECT_EQ((std::set<std::string>{"a.pst", "b.pst"}), names) << "nothing but the stores is left beside them";
    auto a = pst::Store::Open(dir.File("a.pst"));
    ASSERT_TRUE(a.IsOk());
    EXPECT_EQ(2u, MessageCount(Child(a.Value()->IpmSubtree(), "Inbox")));
}

TEST(StoreRegistry, TwoThreadsImportIntoOneStore) {
    TempDir dir("threads");
    Component component;
    ASSERT_TRUE(IsOk(component.CreateStore(dir.File("t.pst"), "T")));
    auto worker = [&](int first) {
        for (int n = first; n < first + 25; ++n)
            EXPECT_TRUE(
                IsOk(component.Import(dir, n % 2 ? "\\\\T\\Inbox" : "\\\\T\\Inbox\\Sub", n, MakeSampleMail(n).text)));
    };
    std::thread one(worker, 100), two(worker, 200);
    one.join();
    two.join();
    component.Shutdown();
    auto store = pst::Store::Open(dir.File("t.pst"));
    ASSERT_TRUE(store.IsOk());
    pst::Folder inbox = Child(store.Value()->IpmSubtree(), "Inbox");
    EXPECT_EQ(50u, MessageCount(inbox) + MessageCount(Child(inbox, "Sub")));
    // The text came only through the files, read while the writer held them open.
    auto messages = inbox.Messages();
    ASSERT_TRUE(messages.IsOk());
    for (const pst::StoredMessage& message : messages.Value())
        EXPECT_EQ(message.data.subject.compare(0, 8, "Message "), 0) << message.data.subject;
}

namespace {

// Stores in memory; every file shares one failure plan.
class FaultyMemoryFiles : public quillon::StoreFiles {
public:
    bool Exists(const std::string& path) override { return m_files.count(path) != 0; }
    pst::Result<std::unique_ptr<pst::Store>> Create(const std::string& path, const std::string& name) override {
        auto created = pst::Store::Create(Wrap(m_files[path] = std::make_shared<Bytes>()), name);
        if (!created) m_files.erase(path);
        return created;
    }
    pst::Result<std::unique_ptr<pst::Store>> Open(const std::string& path) override {
        return pst::Store::Open(Wrap(m_files.at(path)));
    }
    std::unique_ptr<pst::File> Wrap(const std::shared_ptr<Bytes>& bytes) {
        return std::make_unique<FaultyFile>(pst_test::InMemory(bytes), plan);
    }

    std::shared_ptr<FaultyFile::Plan> plan = std::make_shared<FaultyFile::Plan>();
    std::map<std::string, std::shared_ptr<Bytes>> m_files;
};

}  // namespace

// Every write of a call that creates two folder levels and stores a message
// fails in turn: the call answers an error, and the next call opens the file
// again at its last committed state, where no folder is doubled and only the
// messages of successful calls are.
TEST(StoreRegistry, AFailedWriteAnywhereLeavesTheLastCommittedState) {
    TempDir dir("faults");
    const std::string deep = "\\\\M\\Inbox\\New\\Deeper";
    bool reachedTheEnd = false;
    for (int failAt = 1; !reachedTheEnd && failAt < 500; ++failAt) {
        SCOPED_TRACE("failing write " + std::to_string(failAt));
        auto* files = new FaultyMemoryFiles;
        Component component{std::unique_ptr<quillon::StoreFiles>(files)};
        ASSERT_TRUE(IsOk(component.CreateStore("m.pst", "M")));
        ASSERT_TRUE(IsOk(component.Import(dir, "\\\\M\\Inbox", 1, MakeSampleMail(1).text)));
        files->plan->failWrite = files->plan->writes + failAt;
        std::string failed = component.Import(dir, deep, 2, MakeSampleMail(2).text);
        reachedTheEnd = IsOk(failed);
        if (!reachedTheEnd) {
            EXPECT_EQ(0u, failed.find("ERROR: ")) << failed;
        }
        files->plan->failWrite = 0;
        ASSERT_TRUE(IsOk(component.Import(dir, deep, 3, MakeSampleMail(3).text)));
        component.Shutdown();

        auto store = pst::Store::Open(pst_test::InMemory(files->m_files.at("m.pst")));
        ASSERT_TRUE(store.IsOk()) << store.Message();
        pst::Folder inbox = Child(store.Value()->IpmSubtree(), "Inbox");
        EXPECT_EQ(1u, MessageCount(inbox));
        EXPECT_EQ(1u, inbox.Subfolders()->size());
        pst::Folder next = Child(inbox, "New");
        EXPECT_EQ(1u, next.IsValid() ? next.Subfolders()->size() : 0);
        EXPECT_EQ(reachedTheEnd ? 2u : 1u, MessageCount(Child(next, "Deeper")));
    }
    EXPECT_TRUE(reachedTheEnd);
}
