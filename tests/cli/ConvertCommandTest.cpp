// edb2pst convert in process on generated sources: every chosen mailbox gets a
// PST holding every header, and each kind of failure its exit status and words.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
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

// A source that shrinks after it was counted: the command fails, naming the
// file, with the counts found and stored.
TEST_F(ConvertCommand, ASourceThatShrinksWhileItIsConvertedIsNamedAndFails) {
    m_source = Generate("priv1.edb", {9, 300, 0, false, 0, 0}, m_expected);
    int opens = 0;
    cli::SourceOpener opener = [&](const std::wstring& path, mailbox::ScanError& error) {
        if (++opens == 2) fs::resize_file(fs::path(path), fs::file_size(fs::path(path)) / 2);
        return mailbox::OpenSourceFile(fs::path(path), error);
    };
    const std::wstring out = (m_folder / "out").wstring();
    EXPECT_EQ(CliTest::Run({L"convert", m_source, out, L"--mailbox", L"Jane Doe"}, opener), 1);
    EXPECT_NE(console.err.find("messages found, "), std::string::npos) << console.err;
    EXPECT_NE(console.err.find("the source \"" + mailbox::ToUtf8(m_source) + "\" changed while it was converted"),
              std::string::npos)
        << console.err;
}

#ifndef _WIN32
// The command commits messages in batches: a kill at any moment leaves a PST
// that opens and holds, in order, the first messages a whole run stores.
TEST_F(ConvertCommand, AKilledConversionLeavesAPrefixOfTheMessages) {
    m_source = Generate("priv1.edb", {9, 2000, 0, false, 0, 0}, m_expected);
    auto inbox = [](const fs::path& folder) {
        std::vector<std::string> messages;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.path().extension() != ".pst") continue;
            auto store = pst::Store::Open(entry.path().u8string());
            EXPECT_TRUE(store.IsOk()) << store.Message();
            if (!store.IsOk()) return messages;
            auto found = store.Value()->IpmSubtree().FindSubfolder("Inbox");
            if (!found.IsOk() || !found->IsValid()) return messages;
            auto stored = found->Messages();
            EXPECT_TRUE(stored.IsOk()) << stored.Message();
            if (!stored.IsOk()) return messages;
            for (const pst::StoredMessage& m : stored.Value())
                messages.push_back(m.data.transportHeaders + "|" + m.data.bodyText);
        }
        return messages;
    };
    ASSERT_EQ(Run({m_source, (m_folder / "whole").wstring(), L"--mailbox", L"Jane Doe"}), 0) << console.err;
    const std::vector<std::string> whole = inbox(m_folder / "whole");
    ASSERT_EQ(whole.size(), m_expected.messageCount);
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        const fs::path out = m_folder / ("killed" + std::to_string(round));
        pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) _exit(Run({m_source, out.wstring(), L"--mailbox", L"Jane Doe"}));
        std::this_thread::sleep_for(std::chrono::milliseconds(10 + round * 25));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        if (!fs::exists(out)) continue;
        const std::vector<std::string> held = inbox(out);
        ASSERT_LE(held.size(), whole.size());
        for (size_t i = 0; i < held.size(); ++i) ASSERT_EQ(held[i], whole[i]) << "message " << i + 1;
    }
}

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
