// edb2pst in process: the JSON of generated sources against the generator's
// expectation (the 5 GiB sparse one included), the plain listing, and the exit
// status and one-line message of every failure.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tests/cli/CliFixture.h"
#include "text/Utf8.h"

namespace {

namespace fs = std::filesystem;

using ListCommand = CliTest;

TEST_F(ListCommand, JsonMatchesTheGeneratorsExpectation) {
    struct {
        const char* name;
        sample::SampleOptions options;
    } files[] = {
        {"rules.edb", {7, 40, 300001, true, 0, 0}},
        {"demo.edb", {2026, 400, 4000000, false, 0, 0}},
        {"exact.edb", {3, 5, 40960, false, 0, 0}},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        sample::Expectation expected;
        std::wstring path = Generate(file.name, file.options, expected);
        ASSERT_EQ(Run({L"list", L"--json", path}), 0) << console.err;
        EXPECT_EQ(console.out, sample::ExpectedJson(expected, mailbox::ToUtf8(path)));
        EXPECT_EQ(console.err, "");
    }
}

TEST_F(ListCommand, MarkersPastFourGibInASparseFiveGibFile) {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows file class reads holes like data: 10 GiB under wine";
#endif
    sample::Expectation expected;
    const uint64_t fourGib = 4ull << 30;
    std::wstring path = Generate("sparse.edb", {11, 10, 0, false, fourGib + 4096 * 7, 5ull << 30}, expected);
    ASSERT_EQ(Run({L"list", L"--json", path}), 0) << console.err;
    EXPECT_EQ(console.out, sample::ExpectedJson(expected, mailbox::ToUtf8(path)));
    EXPECT_EQ(expected.mailboxes.back(), "Last Page Mailbox");
}

TEST_F(ListCommand, PlainListing) {
    std::string file =
        std::string(4096, '\0') + "N67b9\xB0\xB4xyzAnna" + '\0' + "Content-Type: a; filename=\"r.pdf\"" + '\0';
    fs::path path = m_folder / "small.edb";
    { std::ofstream(path, std::ios::binary) << file; }
    ASSERT_EQ(Run({L"list", path.wstring()}), 0);
    EXPECT_EQ(console.out, "Anna\nmessage headers: 1\n r.pdf\n");
}

TEST_F(ListCommand, FailuresGiveTheirStatusAndOneLineNamingTheFile) {
    fs::path missing = m_folder / "missing.edb";
    struct {
        std::vector<std::wstring> args;
        int status;
        std::string message;  // the start of the one line
    } cases[] = {
        {{L"list", missing.wstring()}, 2, "edb2pst: cannot open \"" + missing.string() + "\": "},
        {{L"list", m_folder.wstring()}, 2, "edb2pst: cannot open \"" + m_folder.string() + "\": it is a directory"},
        {{L"list"}, 2, "usage: edb2pst list [--json] SOURCE.edb"},
        {{L"list", L"--xml", L"a.edb"}, 2, "edb2pst: unexpected argument \"--xml\""},
        {{L"export"}, 2, "edb2pst: unknown command \"export\""},
        {{}, 2, "edb2pst: reads"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args), c.status);
        EXPECT_EQ(console.err.compare(0, c.message.size(), c.message), 0) << console.err;
        EXPECT_EQ(console.out, "");
    }
    EXPECT_EQ(Run({L"--version"}), 0);
    EXPECT_EQ(console.out.rfind("edb2pst ", 0), 0u);
    EXPECT_EQ(Run({L"--help"}), 0);
    EXPECT_NE(console.out.find("edb2pst list [--json] SOURCE.edb"), std::string::npos);
}

#ifndef _WIN32
// A FIFO is refused at once. Were the open to wait for a writer, the
// watchdog's writer lets it go on, and the test fails instead of hanging.
TEST_F(ListCommand, AFifoIsRefusedWithoutWaitingForAWriter) {
    const fs::path fifo = m_folder / "pipe.edb";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> finished{false}, released{false};
    std::thread watchdog([&] {
        for (int tick = 0; !finished; ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (tick < 100) continue;
            int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // succeeds only while a reader waits
            if (writer >= 0) {
                released = true;
                ::close(writer);
            }
        }
    });
    for (const char* command : {"list", "convert"}) {
        std::vector<std::wstring> args = {mailbox::FromUtf8(command), fifo.wstring()};
        if (std::string(command) == "convert") args.insert(args.end(), {(m_folder / "out").wstring(), L"--all"});
        EXPECT_EQ(Run(args), 2) << command;
        EXPECT_EQ(console.err, "edb2pst: cannot open \"" + fifo.string() + "\": it is not a regular file\n");
    }
    finished = true;
    watchdog.join();
    EXPECT_FALSE(released) << "the open waited for a writer";
}
#endif

// A source whose reads fail from the second one on.
class FailingSource final : public mailbox::SourceFile {
public:
    uint64_t Length() const override { return 8 << 20; }
    bool ReadAt(uint64_t, uint8_t* buffer, size_t size, size_t& bytesRead, mailbox::ScanError& error) override {
        if (m_reads++ > 0) {
            error = {mailbox::ScanError::Kind::ReadFailed, L"broken.edb", L"Input/output error"};
            return false;
        }
        std::fill(buffer, buffer + size, 0);
        bytesRead = size;
        return true;
    }

private:
    int m_reads = 0;
};

TEST_F(ListCommand, AReadErrorPartWayGivesStatusOne) {
    auto opener = [](const std::wstring&, mailbox::ScanError&) { return std::make_unique<FailingSource>(); };
    EXPECT_EQ(Run({L"list", L"--json", L"broken.edb"}, opener), 1);
    EXPECT_EQ(console.err, "edb2pst: cannot read \"broken.edb\": Input/output error\n");
    EXPECT_EQ(console.out, "");
}

}  // namespace
