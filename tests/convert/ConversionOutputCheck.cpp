// The PST files the real program wrote under wine (tests/driver), read
// natively by readpst, pffexport and pst-extractor: the Save All run holds
// every header of its source in each Inbox; the runs killed at random
// moments left files every reader opens, each Inbox a prefix of the source's
// messages. The test command runs this after the Windows tests; without
// their output it is skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "ReaderTools.h"
#include "TestFiles.h"
#include "pst/Store.h"
#include "scan/HeaderScan.h"
#include "scan/ScanToken.h"
#include "scan/SourceFile.h"
#include "tests/common/StandardFolders.h"
#include "text/Utf8.h"

namespace {

namespace fs = std::filesystem;
using namespace pst_test;

fs::path OutputFolder() {
    const char* set = std::getenv("KORVANE_CONVERSION_OUTPUT");
    return set ? set : KORVANE_CONVERSION_OUTPUT_DIR;
}

std::vector<fs::path> PstFilesUnder(const fs::path& folder) {
    std::vector<fs::path> found;
    if (fs::exists(folder))
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.path().extension() == ".pst") found.push_back(entry.path());
    return found;
}

// The number of message headers in the source, by the scanners' rules.
size_t SourceHeaders(const fs::path& source) {
    mailbox::ScanError error;
    auto file = mailbox::OpenSourceFile(source, error);
    if (!file) return 0;
    mailbox::NeverStop token;
    return mailbox::ForEachHeader(*file, token, nullptr, [](const mailbox::HeaderMarker&) { return true; }).markers;
}

class ConversionOutput : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(OutputFolder())) GTEST_SKIP() << "no output of the Windows tests at " << OutputFolder();
        ASSERT_TRUE(ReadersInstalled(kAllReaders));
    }

    // Every reader opens the file; they agree on the Inbox count, which they answer.
    size_t InboxCountOfEveryReader(const fs::path& pst) {
        SCOPED_TRACE(pst.string());
        std::string log, all;
        const size_t byReadpst = CountWithReadpst(pst.string(), dir.Path() / "readpst", log)["Inbox"];
        all += log;
        const size_t byPff = RunPffexport(pst.string(), dir.Path() / "pff", log, false)["Inbox"].size();
        all += log;
        const size_t byExtractor = RunPstExtractor(pst.string(), dir.Path() / "extractor", log)["Inbox"].size();
        all += log;
        EXPECT_EQ(all.find("MISMATCH"), std::string::npos) << all;
        EXPECT_EQ(byReadpst, byPff) << all;
        EXPECT_EQ(byExtractor, byPff) << all;
        return byPff;
    }

    // The PST files of a Save All run, each checked to hold the standard
    // folders and every header of the run's source in its Inbox.
    std::vector<fs::path> CompleteSaveAllFiles(const fs::path& run) {
        const size_t headers = SourceHeaders(run / "Priv1.edb");
        EXPECT_GT(headers, 0u);
        const std::vector<fs::path> files = PstFilesUnder(run);
        for (const fs::path& file : files) {
            SCOPED_TRACE(file.string());
            EXPECT_EQ(StoreTopFolders(file.string()), standard_folders::Top());
            EXPECT_EQ(InboxCountOfEveryReader(file), headers);
        }
        return files;
    }

    TempDir dir{"conversion_output"};
};

TEST_F(ConversionOutput, SaveAllHoldsTheStandardFoldersAndEveryHeaderInEachInbox) {
    const std::vector<fs::path> files = CompleteSaveAllFiles(OutputFolder() / "save-all");
    ASSERT_EQ(files.size(), 3u);
    for (const fs::path& file : files) EXPECT_EQ(file.parent_path(), files[0].parent_path());
}

// Select All, then Save All with no folder ticked: a complete file for every mailbox.
TEST_F(ConversionOutput, SaveAllAfterSelectAllHoldsEveryMailboxInFull) {
    EXPECT_GT(CompleteSaveAllFiles(OutputFolder() / "select-all").size(), 3u);
}

// Inbox and Drafts ticked on the preview page: exactly those (beside the
// store's own Deleted Items), every header in the Inbox.
TEST_F(ConversionOutput, SaveCurrentHoldsExactlyTheTickedFolders) {
    const fs::path run = OutputFolder() / "save-current";
    const std::vector<fs::path> files = PstFilesUnder(run);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(StoreTopFolders(files[0].string()), (std::set<std::string>{"Inbox", "Drafts", "Deleted Items"}));
    EXPECT_EQ(InboxCountOfEveryReader(files[0]), SourceHeaders(run / "Priv1.edb"));
}

// Inbox bodies in the order the messages were stored (the engine's own reader).
std::vector<std::string> InboxInStoredOrder(const fs::path& pst) {
    std::vector<std::string> bodies;
    auto store = pst::Store::Open(pst.string());
    EXPECT_TRUE(store.IsOk()) << store.Message();
    if (!store.IsOk()) return bodies;
    auto folders = store.Value()->IpmSubtree().Subfolders();
    if (!folders.IsOk()) return bodies;
    for (const pst::Folder& folder : folders.Value()) {
        if (folder.Info()->name != "Inbox") continue;
        auto messages = folder.Messages();
        EXPECT_TRUE(messages.IsOk());
        if (!messages.IsOk()) return bodies;
        std::vector<pst::StoredMessage> sorted = messages.Value();
        std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
        for (const pst::StoredMessage& message : sorted) bodies.push_back(message.data.bodyText);
    }
    return bodies;
}

// The killed runs converted the same generated source as the Save All run,
// whose complete files give the messages in order.
TEST_F(ConversionOutput, KilledSaveAllRunsLeaveFilesEveryReaderOpensWithAPrefixOfTheMessages) {
    const std::vector<fs::path> complete = PstFilesUnder(OutputFolder() / "save-all");
    ASSERT_FALSE(complete.empty());
    const std::vector<std::string> reference = InboxInStoredOrder(complete[0]);
    ASSERT_FALSE(reference.empty());
    const std::vector<fs::path> files = PstFilesUnder(OutputFolder() / "kill");
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const size_t stored = InboxCountOfEveryReader(file);
        const std::vector<std::string> inbox = InboxInStoredOrder(file);
        ASSERT_EQ(inbox.size(), stored);
        ASSERT_LE(stored, reference.size());
        EXPECT_TRUE(std::equal(inbox.begin(), inbox.end(), reference.begin()));
    }
}

}  // namespace
