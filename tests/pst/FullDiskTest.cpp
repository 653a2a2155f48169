// A real file system refusing to grow, as a full disk does: the process's file
// size limit makes write() fail with EFBIG at a chosen size.

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "FormatChecker.h"
#include "ReaderTools.h"
#include "TestFiles.h"

using namespace pst_test;

namespace {

// Lowers the file size limit for this process for one scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::signal(SIGXFSZ, SIG_IGN);  // report EFBIG instead of ending the process
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit lowered = m_previous;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_previous); }

private:
    rlimit m_previous{};
};

TEST(FullDisk, CreationThatCannotFinishLeavesNothingAtThePath) {
    TempDir dir("full_create");
    std::string path = dir.File("sub/new.pst");
    {
        FileSizeLimit limit(16 * 1024);
        auto store = pst::Store::Create(path, "Never");
        EXPECT_FALSE(store.IsOk());
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << "a half-written store was left behind";
    // The next attempt at the same path goes through.
    auto again = pst::Store::Create(path, "Second try");
    ASSERT_TRUE(again.IsOk()) << again.Message();
    EXPECT_TRUE(again.Value()->IpmSubtree().CreateSubfolder("Inbox").IsOk());
}

TEST(FullDisk, MessagesUpToTheFullDiskSurviveAndTheFileReopens) {
    TempDir dir("full_add");
    std::string path = dir.File("full.pst");
    int stored = 0;
    {
        auto store = pst::Store::Create(path, "Full");
        ASSERT_TRUE(store.IsOk()) << store.Message();
        auto inbox = store.Value()->IpmSubtree().CreateSubfolder("Inbox");
        ASSERT_TRUE(inbox.IsOk());
        for (; stored < 5; ++stored) ASSERT_TRUE(inbox->AddMessage(SampleMessage(stored, 2000)).IsOk());

        FileSizeLimit limit(std::filesystem::file_size(path) + 2 * 1024 * 1024);
        pst::Status failure = pst::Status::Ok();
        while (stored < 10000) {
            auto added = inbox->AddMessage(SampleMessage(stored, 2000, stored % 3 ? 0 : 60000));
            if (!added) {
                failure = added.GetStatus();
                break;
            }
            ++stored;
        }
        ASSERT_FALSE(failure.IsOk()) << "the file never hit its size limit";
        EXPECT_FALSE(inbox->AddMessage(SampleMessage(99999)).IsOk())
            << "a store whose write failed must refuse more work";
    }
    {
        std::string text = Slurp(path);
        const std::vector<uint8_t> bytes(text.begin(), text.end());
        FormatChecker checker(bytes, FormatChecker::Ending::Crashed);
        for (const auto& p : checker.Problems()) ADD_FAILURE() << "the full store: " << p;
    }
    auto reopened = pst::Store::Open(path);
    ASSERT_TRUE(reopened.IsOk()) << reopened.Message();
    auto inbox = reopened.Value()->IpmSubtree().FindSubfolder("Inbox");
    ASSERT_TRUE(inbox.IsOk());
    auto messages = inbox->Messages();
    ASSERT_TRUE(messages.IsOk());
    EXPECT_EQ(static_cast<size_t>(stored), messages.Value().size());
    EXPECT_TRUE(inbox->AddMessage(SampleMessage(stored)).IsOk()) << "appending after the disk has room again";
    reopened.Value().reset();

    ASSERT_TRUE(ReadersInstalled(kReadpst));
    std::string log;
    EXPECT_EQ(static_cast<size_t>(stored + 1), CountWithReadpst(path, dir.Path() / "readpst", log)["Inbox"]) << log;
}

}  // namespace
