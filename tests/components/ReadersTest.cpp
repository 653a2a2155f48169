// Stores the component wrote, read by the independent readers (readpst,
// pffexport, pst-extractor).

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "ComponentFixture.h"
#include "ReaderTools.h"
#include "ReaderExpectations.h"

using namespace component_test;
using namespace pst_test;

// Save All's shape: one store, the eleven standard folders, 60 messages into
// Inbox; then a second process opens the same file and adds 20.
TEST(ComponentReaders, SaveAllThenASecondProcessAdds) {
    ASSERT_TRUE(ReadersInstalled(kAllReaders));
    TempDir dir("saveall");
    const std::string name = "Korvane-EDB-PST-alice6-12-2026 9-5";
    const std::string path = dir.File("Korvane-EDB-PST6-12-2026 9-5/" + name + ".pst");
    std::vector<SampleMail> mails;
    {
        Component first;
        ASSERT_TRUE(IsOk(first.CreateStore(path, name)));
        for (const char* folder : kSaveAll) EXPECT_TRUE(IsOk(first.CreateFolder("\\\\" + name + "\\" + folder)));
        for (int n = 1; n <= 60; ++n) {
            mails.push_back(MakeSampleMail(n));
            EXPECT_TRUE(IsOk(first.Import(dir, "\\\\" + name + "\\Inbox", n, mails.back().text)));
        }
    }
    {
        Component second;
        std::string opened = second.CreateStore(path, name);
        EXPECT_EQ(0u, opened.find("OK: opened the existing store")) << opened;
        for (int n = 61; n <= 80; ++n) {
            mails.push_back(MakeSampleMail(n));
            EXPECT_TRUE(IsOk(second.Import(dir, "\\\\" + name + "\\Inbox", n, mails.back().text)));
        }
    }

    {
        auto store = pst::Store::Open(path);
        ASSERT_TRUE(store.IsOk()) << store.Message();
        auto folders = store.Value()->IpmSubtree().Subfolders();
        ASSERT_TRUE(folders.IsOk());
        std::map<std::string, std::string> classes;
        for (const pst::Folder& folder : folders.Value()) classes[folder.Info()->name] = folder.Info()->containerClass;
        const std::map<std::string, std::string> expectedClasses = {
            {"Inbox", "IPF.Note"},       {"Outbox", "IPF.Note"},          {"Sent Items", "IPF.Note"},
            {"Drafts", "IPF.Note"},      {"Calendar", "IPF.Appointment"}, {"Contacts", "IPF.Contact"},
            {"Tasks", "IPF.Task"},       {"Journal", "IPF.Journal"},      {"Junk E-mail", "IPF.Note"},
            {"Notes", "IPF.StickyNote"}, {"Deleted Items", "IPF.Note"}};
        EXPECT_EQ(expectedClasses, classes);
    }
    std::string log;
    Extracted byPff = RunPffexport(path, dir.Path() / "pff", log);
    EXPECT_EQ(standard_folders::Top(), TopFolders(dir.Path() / "pff.export" / "Top of Personal Folders")) << log;
    ExpectInbox(byPff, mails, "pffexport");
    Extracted byReadpst = RunReadpst(path, dir.Path() / "readpst", log);
    ExpectInbox(byReadpst, mails, "readpst");
    Extracted byExtractor = RunPstExtractor(path, dir.Path() / "extractor", log);
    EXPECT_EQ(std::string::npos, log.find("MISMATCH")) << log;
    ExpectInbox(byExtractor, mails, "pst-extractor");
}

// A process killed at any moment while creating stores one after another
// leaves at every store's name a complete store, never a half-made file that
// later attempts would have to refuse, and nothing else beside the stores.
// (Kills while storing messages are the engine's own kill test.)
TEST(ComponentReaders, AKilledProcessLeavesOnlyCompleteStores) {
    TempDir dir("kill");
    for (int round = 0; round < 20; ++round) {
        pid_t child = fork();
        ASSERT_NE(-1, child);
        if (child == 0) {
            Component component;
            for (int n = 0;; ++n) {
                std::string name = "S" + std::to_string(round) + "-" + std::to_string(n);
                component.CreateStore(dir.File(name + ".pst"), name);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3 + round * 3));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    size_t stores = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        EXPECT_EQ(".pst", entry.path().extension().u8string()) << "left " << entry.path();
        if (entry.path().extension() != ".pst") continue;
        ++stores;
        // A later run opens it to add to it (the engine refuses any other file).
        std::string result = Component().CreateStore(entry.path().u8string(), "Again");
        EXPECT_EQ(0u, result.find("OK: opened the existing store")) << result;
    }
    EXPECT_GT(stores, 0u) << "no store was completed before the kills";
}
