// edb2pst convert in process on generated sources: every chosen mailbox gets a
// PST holding every header, and each kind of failure its exit status and words.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include "pst/Store.h"
#include "tests/cli/CliFixture.h"
#include "text/Utf8.h"

namespace {

namespace fs = std::filesystem;

class ConvertCommand : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        m_source = Generate("priv1.edb", {9, 30, 0, false, 0, 0}, m_expected);
    }
    int Run(std::vector<std::wstring> args) {
        args.insert(args.begin(), L"convert");
        return CliTest::Run(args);
    }
    // Messages in the Inbox of every PST under `folder`, by file name; -1 when a file does not open.
    std::map<std::string, long> InboxCounts(const fs::path& folder) {
        std::map<std::string, long> counts;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.path().extension() != ".pst") continue;
            auto store = pst::Store::Open(entry.path().u8string());
            long count = -1;
            if (store.IsOk()) {
                auto inbox = store.Value()->IpmSubtree().FindSubfolder("Inbox");
                if (inbox.IsOk()) count = static_cast<long>(inbox->Messages().Value().size());
            }
            counts[entry.path().filename().u8string()] = count;
        }
        return counts;
    }

    std::wstring m_source;
    sample::Expectation m_expected;
};

TEST_F(ConvertCommand, EveryChosenMailboxGetsAPstHoldingEveryHeader) {
    const fs::path out = m_folder / "out";
    ASSERT_EQ(Run({m_source, out.wstring(), L"--all", L"--json"}), 0) << console.err;
    std::map<std::string, long> counts = InboxCounts(out);
    ASSERT_EQ(counts.size(), m_expected.mailboxes.size());
    for (const auto& [file, count] : counts) EXPECT_EQ(count, static_cast<long>(m_expected.messageCount)) << file;
    EXPECT_NE(console.out.find("\"messages_stored\": " + std::to_string(m_expected.messageCount)), std::string::npos);
    EXPECT_NE(console.out.find("\"mailbox\": \"Support \\\"Helpdesk\\\"\""), std::string::npos) << console.out;
    // Again in the same minute: the files are there already and are not added to.
    if (Run({m_source, out.wstring(), L"--all"}) == 1) {
        EXPECT_NE(console.err.find("a file already exists at"), std::string::npos) << console.err;
        for (const auto& [file, count] : InboxCounts(out)) EXPECT_EQ(count, static_cast<long>(m_expected.messageCount));
    }

    // Names as listed, in any letter case; a skipped analysis still imports everything.
    const fs::path one = m_folder / "one";
    ASSERT_EQ(Run({m_source, one.wstring(), L"--mailbox", L"jane doe", L"--skip-analysis"}), 0) << console.err;
    counts = InboxCounts(one);
    ASSERT_EQ(counts.size(), 1u);
    EXPECT_EQ(counts.begin()->second, static_cast<long>(m_expected.messageCount));
    EXPECT_NE(console.out.find("Korvane_Converted_priv1.edb"), std::string::npos) << console.out;
    EXPECT_NE(console.out.find(": " + std::to_string(m_expected.messageCount) + " messages\n"), std::string::npos);
}

TEST_F(ConvertCommand, BadArgumentsAndUnusableSourcesOrDestinationsGiveStatusTwo) {
    const fs::path file = m_folder / "a file";
    std::ofstream(file) << "x";
    const std::wstring out = (m_folder / "out").wstring();
    struct {
        std::vector<std::wstring> args;
        const char* message;
    } cases[] = {
        {{}, "convert takes a source file and a destination folder"},
        {{m_source, out}, "name the mailboxes with --mailbox NAME, or take every one with --all"},
        {{m_source, out, L"--all", L"--mailbox", L"Jane Doe"}, "name the mailboxes"},
        {{m_source, out, L"--mailbox", L"Nobody"}, "no mailbox \"Nobody\""},
        {{m_source, out, L"--all", L"--fast"}, "unexpected argument \"--fast\""},
        {{(m_folder / "missing.edb").wstring(), out, L"--all"}, "cannot open"},
        {{m_source, file.wstring(), L"--all"}, "is not a folder"},
        {{m_source, (m_folder / std::string(230, 'd')).wstring(), L"--all"}, "is too long"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args), 2) << c.message;
        EXPECT_NE(console.err.find(c.message), std::string::npos) << console.err;
        EXPECT_EQ(console.out, "");
    }
    EXPECT_FALSE(fs::exists(out));
}

#ifndef _WIN32
// A full disk as the engine's tests make one: the process's file size limit
// makes writes fail with EFBIG. Too small for the store itself, the failure
// is reported with its reason; part way, the stored messages stay in a PST
// that opens.
TEST_F(ConvertCommand, AFullDiskIsReportedAndLeavesEveryPstOpenable) {
    // An empty store takes 271 KiB; this source fills one to about 1.8 MB.
    m_source = Generate("priv1.edb", {9, 300, 0, false, 0, 0}, m_expected);
    ::signal(SIGXFSZ, SIG_IGN);
    for (rlim_t limit : {rlim_t(16 * 1024), rlim_t(800 * 1024)}) {
        SCOPED_TRACE(limit);
        const fs::path out = m_folder / ("out" + std::to_string(limit));
        rlimit previous{};
        ::getrlimit(RLIMIT_FSIZE, &previous);
        rlimit lowered = previous;
        lowered.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
        int status = Run({m_source, out.wstring(), L"--mailbox", L"Jane Doe"});
        ::setrlimit(RLIMIT_FSIZE, &previous);

        EXPECT_EQ(status, 1);
        EXPECT_NE(console.err.find("edb2pst: mailbox \"Jane Doe\" failed: "), std::string::npos) << console.err;
        EXPECT_NE(console.err.find("File too large"), std::string::npos) << console.err;
        std::map<std::string, long> counts = InboxCounts(out);
        if (limit < 100 * 1024) {
            EXPECT_TRUE(counts.empty());
            EXPECT_NE(console.err.find("was not created"), std::string::npos) << console.err;
            continue;
        }
        ASSERT_EQ(counts.size(), 1u) << console.err;
        EXPECT_GE(counts.begin()->second, 0) << "the PST does not open";
        EXPECT_LT(counts.begin()->second, static_cast<long>(m_expected.messageCount));
        EXPECT_NE(console.err.find(std::to_string(counts.begin()->second) + " stored"), std::string::npos)
            << console.err;
    }
}
#endif

}  // namespace
