// A writer process killed with SIGKILL at arbitrary moments leaves a file
// that both independent readers open and that holds exactly the messages
// whose AddMessage had returned (plus possibly the one whose header write had
// completed when the signal arrived), in order. A kill inside Create leaves
// nothing that blocks the path. And a second process can reopen a store and
// append to it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <iostream>
#include <thread>

#include "FormatChecker.h"
#include "ReaderTools.h"
#include "TestFiles.h"

using namespace pst_test;

namespace {

constexpr uint32_t kMessagesPerFolder = 10;

// Child: create the store, say 'R', then add messages forever, `batch` per
// call, reporting each completed call; after every tenth message it also
// creates a folder "F<n>". With `secondSession` the writing happens in a later
// session: the store is closed and opened again first. Never returns.
[[noreturn]] void WriteUntilKilled(const std::string& path, int reportFd, bool secondSession, uint32_t batch) {
    auto store = pst::Store::Create(path, "Killed");
    if (!store.IsOk()) _exit(2);
    if (!store.Value()->IpmSubtree().CreateSubfolder("Inbox").IsOk()) _exit(3);
    if (secondSession) {
        if (!store.Value()->Close().IsOk()) _exit(7);
        store.Value().reset();
        store = pst::Store::Open(path);
        if (!store.IsOk()) _exit(8);
    }
    auto inbox = store.Value()->IpmSubtree().FindSubfolder("Inbox");
    char ready = 'R';
    if (write(reportFd, &ready, 1) != 1) _exit(4);
    auto sample = [](uint32_t i) { return SampleMessage(static_cast<int>(i), 600, i % 7 == 0 ? 12000 : 0); };
    for (uint32_t i = 0;; i += batch) {
        if (batch == 1 && !inbox->AddMessage(sample(i)).IsOk()) _exit(5);
        std::vector<pst::MessageData> messages;
        for (uint32_t k = 0; batch > 1 && k < batch; ++k) messages.push_back(sample(i + k));
        if (batch > 1 && !inbox->AddMessages(messages).IsOk()) _exit(5);
        uint32_t done = i + batch;
        if (write(reportFd, &done, sizeof done) != sizeof done) _exit(6);
        if (done % kMessagesPerFolder == 0 &&
            !store.Value()->IpmSubtree().CreateSubfolder("F" + std::to_string(done / kMessagesPerFolder)).IsOk())
            _exit(9);
    }
}

// Forks a child that runs `body` (which never returns) with the write end of
// a pipe; returns the read end once the child has written its first byte, or
// -1 when it could not start.
int StartChild(pid_t& child, const std::function<void(int)>& body) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    child = fork();
    if (child == 0) {
        close(fds[0]);
        body(fds[1]);
    }
    close(fds[1]);
    char ready = 0;
    if (child < 0 || read(fds[0], &ready, 1) != 1) {
        close(fds[0]);
        return -1;
    }
    return fds[0];
}

// One writer killed after a while: the file opens and holds a prefix of what
// was written, whole calls only (`batch` messages each), everything whose call
// had returned, in order; the readers find the same.
void KillWriterAndCheck(TempDir& dir, int round, uint32_t batch, bool readers) {
    std::string path = dir.File("kill" + std::to_string(round) + ".pst");
    pid_t child = -1;
    int report = StartChild(child, [&](int fd) { WriteUntilKilled(path, fd, round % 2 == 1, batch); });
    ASSERT_GE(report, 0) << "writer did not start";
    // Spread the kills over the first hundred or so messages, at odd offsets.
    std::this_thread::sleep_for(std::chrono::microseconds(200 + (round * 7919) % 20000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "writer ended by itself with " << WEXITSTATUS(status);
    uint32_t reported = 0, value;
    while (read(report, &value, sizeof value) == sizeof value) reported = value;
    close(report);

    auto store = pst::Store::Open(path);
    ASSERT_TRUE(store.IsOk()) << "round " << round << ": " << store.Message();
    auto messages = store.Value()->IpmSubtree().FindSubfolder("Inbox")->Messages();
    ASSERT_TRUE(messages.IsOk()) << messages.Message();
    size_t held = messages->size();
    EXPECT_TRUE(held == reported || held == reported + batch)
        << "round " << round << ": " << held << " held, " << reported << " reported";
    for (size_t i = 0; i < held; ++i)
        ASSERT_EQ(SampleMessage(static_cast<int>(i)).subject, (*messages)[i].data.subject) << "round " << round;
    // Folders too form a prefix: F1 .. Fk with k = held / 10, or one fewer
    // when the kill came between a tenth message and its folder.
    auto folders = store.Value()->IpmSubtree().Subfolders();
    ASSERT_TRUE(folders.IsOk());
    size_t made = folders->size() - 2;  // Deleted Items and Inbox
    size_t expected = held / kMessagesPerFolder;
    EXPECT_TRUE(made == expected || (held % kMessagesPerFolder == 0 && made + 1 == expected))
        << "round " << round << ": " << made << " folders, " << held << " messages";
    for (size_t f = 0; f < made; ++f)
        EXPECT_EQ("F" + std::to_string(f + 1), (*folders)[f + 2].Info()->name) << "round " << round;
    store.Value().reset();
    std::string text = Slurp(path);
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    FormatChecker checker(bytes, FormatChecker::Ending::Crashed);
    for (const auto& p : checker.Problems()) ADD_FAILURE() << "round " << round << ": " << p;

    if (readers) {
        std::string log;
        EXPECT_EQ(held, CountWithReadpst(path, dir.Path() / "readpst", log)["Inbox"])
            << "readpst, round " << round << "\n"
            << log;
        Extracted byPff = RunPffexport(path, dir.Path() / "pff", log, false);
        EXPECT_EQ(held, byPff["Inbox"].size()) << "pffexport, round " << round << "\n" << log;
    }
    std::filesystem::remove(path);
}

}  // namespace

TEST(KillTest, EveryKillLeavesAPrefixThatBothReadersOpen) {
    ASSERT_TRUE(ReadersInstalled(kDebianReaders));
    TempDir dir("kill");
    const int kills = 50;
    for (int round = 0; round < kills && !HasFatalFailure(); ++round) KillWriterAndCheck(dir, round, 1, true);
}

// Messages handed over several at a time are committed together: a kill
// leaves every message of each call that returned, and no part of a call.
TEST(KillTest, EveryKillLeavesWholeBatches) {
    TempDir dir("killbatch");
    for (int round = 0; round < 20 && !HasFatalFailure(); ++round) KillWriterAndCheck(dir, round, 5, false);
}

// A writer killed inside Store::Create, at any moment, leaves no file that is
// not a whole store: the store gets its name only once it is complete.
TEST(KillTest, KillDuringCreateLeavesOnlyWholeStores) {
    TempDir dir("killcreate");
    int complete = 0;
    for (int round = 0; round < 20; ++round) {
        std::string prefix = dir.File("r" + std::to_string(round) + "_");
        pid_t child = -1;
        int report = StartChild(child, [&](int fd) {
            char ready = 'R';
            if (write(fd, &ready, 1) != 1) _exit(4);
            for (int i = 0;; ++i)
                if (!pst::Store::Create(prefix + std::to_string(i) + ".pst", "Created").IsOk()) _exit(2);
        });
        ASSERT_GE(report, 0) << "creator did not start";
        close(report);
        // Over the first stores: a whole Create takes some milliseconds.
        std::this_thread::sleep_for(std::chrono::microseconds((round * 7919) % 20000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "creator ended by itself with " << WEXITSTATUS(status);
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        std::string path = entry.path().string();
        auto store = pst::Store::Open(path);
        ASSERT_TRUE(store.IsOk()) << path << " (" << std::filesystem::file_size(entry.path())
                                  << " bytes): " << store.Message();
        EXPECT_EQ("Created", store.Value()->DisplayName());
        EXPECT_TRUE(store.Value()->DeletedItems().IsValid()) << path;
        ++complete;
    }
    std::cout << complete << " whole stores after 20 kills inside Create\n";
}

TEST(KillTest, SecondProcessReopensAndAppends) {
    TempDir dir("second");
    std::string path = dir.File("shared.pst");
    {
        auto store = pst::Store::Create(path, "Shared");
        ASSERT_TRUE(store.IsOk());
        auto inbox = store.Value()->IpmSubtree().CreateSubfolder("Inbox");
        for (int i = 0; i < 10; ++i) ASSERT_TRUE(inbox->AddMessage(SampleMessage(i)).IsOk());
    }
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto store = pst::Store::Open(path);
        if (!store.IsOk()) _exit(2);
        auto inbox = store.Value()->IpmSubtree().FindSubfolder("Inbox");
        for (int i = 10; i < 15; ++i)
            if (!inbox->AddMessage(SampleMessage(i, 300, 5000)).IsOk()) _exit(3);
        if (!store.Value()->IpmSubtree().CreateSubfolder("From second process").IsOk()) _exit(4);
        _exit(store.Value()->Close().IsOk() ? 0 : 5);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child failed with " << WEXITSTATUS(status);
    auto store = pst::Store::Open(path);
    ASSERT_TRUE(store.IsOk());
    auto messages = store.Value()->IpmSubtree().FindSubfolder("Inbox")->Messages();
    ASSERT_EQ(15u, messages->size());
    EXPECT_EQ(5000u, (*messages)[14].data.attachments.at(0).bytes.size());
    EXPECT_TRUE(store.Value()->IpmSubtree().FindSubfolder("From second process")->IsValid());
    ASSERT_TRUE(ReadersInstalled(kDebianReaders));
    std::string log;
    EXPECT_EQ(15u, RunReadpst(path, dir.Path() / "readpst", log)["Inbox"].size()) << log;
    EXPECT_EQ(15u, RunPffexport(path, dir.Path() / "pff", log)["Inbox"].size()) << log;
}
