// Progress, stop, pause and failing reads: how a scan talks to its owner.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "MemorySource.h"
#include "scan/HeaderCountMemo.h"
#include "scan/HeaderScan.h"
#include "scan/MailboxScan.h"
#include "text/CodePage.h"

using namespace scantest;
using mailbox::Windows1252;

namespace {

// Shaped like the pages' worker token: no base class, reached through the adapter.
struct CountingToken {
    bool StopRequested() { return stop; }
    void WaitWhilePaused() { ++pauseChecks; }
    bool stop = false;
    int pauseChecks = 0;
};

std::vector<uint64_t> ProgressOf(uint64_t length) {
    MemorySource file(std::string(length, '\0'));
    mailbox::NeverStop token;
    std::vector<uint64_t> reported;
    mailbox::ScanMailboxes(file, Windows1252(), token, {nullptr, [&](uint64_t p) { reported.push_back(p); }});
    return reported;
}

TEST(ScanControl, ProgressIsReportedOnlyWhenItChanges) {
    // floor((next block offset - 1) * 100 / length) after each block; the empty
    // block after a full last one gives 133.
    EXPECT_EQ(ProgressOf(12288), (std::vector<uint64_t>{66, 99, 133}));
    EXPECT_EQ(ProgressOf(12289), (std::vector<uint64_t>{66, 99, 133}));
    EXPECT_EQ(ProgressOf(0), std::vector<uint64_t>{}) << "no division by a zero length";
    EXPECT_EQ(ProgressOf(100), std::vector<uint64_t>{8191});
    std::vector<uint64_t> many = ProgressOf(4096 * 1000 + 5);
    ASSERT_EQ(many.size(), 100u);
    for (size_t i = 1; i < many.size(); ++i) EXPECT_LT(many[i - 1], many[i]);
    EXPECT_EQ(many.back(), 100u);
}

TEST(ScanControl, StopEndsTheScanAtTheNextMarkerOrBlock) {
    std::string image = FileImage(4 << 20, {{4200, kMarker + "xyzFirst" + kZero},
                                            {4300, kMarker + "xyzSecond" + kZero},
                                            {4400, "Content-Type" + kZero},
                                            {4500, "Content-Type" + kZero}});
    {
        MemorySource file(image);
        CountingToken token;
        mailbox::ScanTokenFor<CountingToken> adapter(token);
        auto result = mailbox::ScanMailboxes(file, Windows1252(), adapter,
                                             {[&](const std::wstring&) { token.stop = true; }, nullptr});
        EXPECT_TRUE(result.stopped);
        EXPECT_EQ(result.names, std::vector<std::wstring>{L"First"});
        EXPECT_EQ(file.reads, 1) << "a stopped scan reads nothing more";
    }
    {
        MemorySource file(image);
        CountingToken token;
        mailbox::ScanTokenFor<CountingToken> adapter(token);
        auto result = mailbox::AnalyseHeaders(file, Windows1252(), adapter,
                                              {[&](size_t, const std::wstring&) { token.stop = true; }, nullptr});
        EXPECT_TRUE(result.stopped);
        EXPECT_EQ(result.messageCount, 1u);
    }
    {
        MemorySource file(image);
        CountingToken token;
        token.stop = true;
        mailbox::ScanTokenFor<CountingToken> adapter(token);
        auto result = mailbox::ScanMailboxes(file, Windows1252(), adapter);
        EXPECT_TRUE(result.stopped);
        EXPECT_TRUE(result.names.empty());
    }
    {
        // The pause is waited on before every block and after every marker.
        MemorySource file(image);
        CountingToken token;
        mailbox::ScanTokenFor<CountingToken> adapter(token);
        mailbox::AnalyseHeaders(file, Windows1252(), adapter);
        EXPECT_EQ(token.pauseChecks, (4 << 20) / 4096 - 1 + 1 + 2);
    }
}

TEST(ScanControl, AReadErrorKeepsWhatWasFoundAndNamesTheFile) {
    std::string image =
        FileImage(5 << 20, {{4200, kMarker + "xyzBefore" + kZero}, {3 << 20, kMarker + "xyzAfter" + kZero}});
    MemorySource file(image, 2 << 20);
    mailbox::NeverStop token;
    auto result = mailbox::ScanMailboxes(file, Windows1252(), token);
    EXPECT_EQ(result.names, std::vector<std::wstring>{L"Before"});
    EXPECT_EQ(result.error.kind, mailbox::ScanError::Kind::ReadFailed);
    EXPECT_EQ(result.error.Message(), L"cannot read \"memory.edb\": injected failure");
}

TEST(ScanControl, HeaderIterationEndsWhenTheVisitorSaysSo) {
    MemorySource file(FileImage(16384, Records(60, 4096, 100, [](int) { return "Content-Type" + kZero; })));
    mailbox::NeverStop token;
    uint64_t lastOffset = 0;
    auto end = mailbox::ForEachHeader(file, token, nullptr, [&](const mailbox::HeaderMarker& marker) {
        lastOffset = marker.offset;
        return marker.number < 51;  // the inbox listing ends after its 52nd marker
    });
    EXPECT_EQ(end.markers, 52u);
    EXPECT_TRUE(end.endedByVisitor);
    EXPECT_EQ(lastOffset, 4096u + 100 * 51);
}

}  // namespace

// A count is only handed on for the file it was made from, unchanged.
TEST(ScanControl, ARememberedCountHoldsOnlyForTheUnchangedFile) {
    namespace fs = std::filesystem;
    const fs::path source = fs::temp_directory_path() / "korvane-count-memo-test.edb";
    std::ofstream(source, std::ios::binary) << std::string(8192, 'x');
    EXPECT_FALSE(mailbox::RememberedHeaderCount(source));
    mailbox::RememberHeaderCount(source, 60);
    EXPECT_EQ(mailbox::RememberedHeaderCount(source), std::optional<uint64_t>(60));
    std::ofstream(source, std::ios::binary | std::ios::app) << "Content-Type";  // the file grows
    EXPECT_FALSE(mailbox::RememberedHeaderCount(source));
    mailbox::RememberHeaderCount(source, 61);
    fs::remove(source);
    EXPECT_FALSE(mailbox::RememberedHeaderCount(source));
}
