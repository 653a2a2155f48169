// The stores the client processes under wine left (ExchangeProcessTest.cpp),
// read natively by the three independent readers. The test command runs this
// after the Windows tests; without their output the checks are skipped.
#include <cstdlib>
#include <filesystem>

#include "ReaderExpectations.h"

using namespace component_test;
using namespace pst_test;

namespace {

std::filesystem::path OutputFolder() {
    const char* set = std::getenv("KORVANE_QUILLON_OUTPUT");
    return set ? set : KORVANE_QUILLON_OUTPUT_DIR;
}

struct Readings {
    Extracted pff, readpst, extractor;
    std::string log;
};

Readings ReadAll(const std::filesystem::path& pst, const TempDir& dir) {
    Readings r;
    std::string log;
    r.pff = RunPffexport(pst.string(), dir.Path() / "pff", log);
    r.log += log;
    r.readpst = RunReadpst(pst.string(), dir.Path() / "readpst", log);
    r.log += log;
    r.extractor = RunPstExtractor(pst.string(), dir.Path() / "extractor", log);
    r.log += log;
    return r;
}

class ExchangeOutput : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(OutputFolder()))
            GTEST_SKIP() << "no output of the Windows tests at " << OutputFolder();
        ASSERT_TRUE(ReadersInstalled(kAllReaders));
    }
    TempDir dir{"exchange"};
};

std::vector<SampleMail> Mails(int count) {
    std::vector<SampleMail> mails;
    for (int n = 1; n <= count; ++n) mails.push_back(MakeSampleMail(n));
    return mails;
}

}  // namespace

// Save All by one process, 20 more by a second.
TEST_F(ExchangeOutput, SaveAllShowsTheStandardFoldersAndEveryMessage) {
    auto pst = OutputFolder() / "Korvane-EDB-PST6-12-2026 9-5" / "Korvane-EDB-PST-alice.pst";
    Readings r = ReadAll(pst, dir);
    EXPECT_EQ(standard_folders::Top(), TopFolders(dir.Path() / "pff.export" / "Top of Personal Folders")) << r.log;
    ExpectInbox(r.pff, Mails(80), "pffexport");
    ExpectInbox(r.readpst, Mails(80), "readpst");
    ExpectInbox(r.extractor, Mails(80), "pst-extractor");
    EXPECT_EQ(std::string::npos, r.log.find("MISMATCH")) << r.log;
}

// "Top of Information Store\Inbox" is the store's own top.
TEST_F(ExchangeOutput, SaveCurrentLandsAtTheTop) {
    Readings r = ReadAll(OutputFolder() / std::filesystem::u8path("current-\xC3\xA9") / "Korvane-EDB-PST-bob.pst", dir);
    std::set<std::string> top = TopFolders(dir.Path() / "pff.export" / "Top of Personal Folders");
    EXPECT_EQ(1u, top.count("Inbox")) << r.log;
    EXPECT_EQ(0u, top.count("Top of Information Store"));
    ExpectInbox(r.pff, Mails(5), "pffexport");
    ExpectInbox(r.readpst, Mails(5), "readpst");
    ExpectInbox(r.extractor, Mails(5), "pst-extractor");
}

// Killed mid-import: every reader opens the file and agrees on the count.
TEST_F(ExchangeOutput, AKilledImportLeavesAFileEveryReaderOpens) {
    Readings r = ReadAll(OutputFolder() / "killed" / "Korvane-EDB-PST-carol.pst", dir);
    const size_t stored = r.pff["Inbox"].size();
    EXPECT_GT(stored, 0u) << r.log;
    EXPECT_EQ(stored, r.readpst["Inbox"].size());
    EXPECT_EQ(stored, r.extractor["Inbox"].size());
    EXPECT_EQ(std::string::npos, r.log.find("MISMATCH")) << r.log;
}
