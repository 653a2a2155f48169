// Workers: "finished" however a run ends, cooperative pause and stop, calls
// onto the page's thread, and waiting that cannot deadlock with those calls.
#include <windows.h>

#include <atomic>
#include <stdexcept>

#include <gtest/gtest.h>

#include "TestPage.h"
#include "framework/Worker.h"

namespace {

constexpr WorkerMessages kMessages = {kWorkerBase};

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(page.Create()); }
    bool Finished() {
        return PumpUntil([this] { return !page.finished.empty(); });
    }

    ReportRecorder recorder;
    CTestPage page;
};

TEST_F(WorkerTest, FinishedIsPostedOnceHoweverTheRunEnds) {
    struct Case {
        const char* what;
        CWorker::Body body;
        WorkerEnd end;
        std::vector<WPARAM> progress;
    } cases[] = {
        {"returns",
         [](CWorker& w) {
             for (WPARAM i = 1; i <= 3; ++i) w.PostProgress(i);
         },
         WorkerEnd::Completed,
         {1, 2, 3}},
        {"throws",
         [](CWorker& w) {
             w.PostProgress(1);
             throw std::runtime_error("read error");
         },
         WorkerEnd::Failed,
         {1}},
        {"stops itself", [](CWorker& w) { w.RequestStop(); }, WorkerEnd::Stopped, {}},
    };
    for (const Case& c : cases) {
        page.finished.clear();
        page.progress.clear();
        CWorker worker;
        ASSERT_TRUE(worker.Start(page.m_hWnd, kMessages, c.body)) << c.what;
        ASSERT_TRUE(Finished()) << c.what;
        worker.Wait();
        PumpUntil([] { return false; }, 50);  // nothing more may arrive
        EXPECT_EQ(page.finished, std::vector<WorkerEnd>{c.end}) << c.what;
        EXPECT_EQ(page.progress, c.progress) << c.what;
    }
    EXPECT_TRUE(recorder.Contains(L"read error"));
}

TEST_F(WorkerTest, APausedWorkerWaitsResumesAndCanStillBeStopped) {
    std::atomic<int> units{0};
    CWorker worker;
    ASSERT_TRUE(worker.Start(page.m_hWnd, kMessages, [&](CWorker& w) {
        for (w.WaitWhilePaused(); !w.StopRequested(); w.WaitWhilePaused()) {
            ++units;
            ::Sleep(1);
        }
    }));
    worker.Pause();
    ::Sleep(50);  // the unit under way, if any, ends
    int paused = units;
    ::Sleep(100);
    EXPECT_EQ(units, paused);
    worker.Resume();
    EXPECT_TRUE(PumpUntil([&] { return units > paused; }));
    worker.Pause();
    worker.RequestStop();
    ASSERT_TRUE(Finished());
    EXPECT_EQ(page.finished, std::vector<WorkerEnd>{WorkerEnd::Stopped});
}

TEST_F(WorkerTest, AModalDialogFromTheWorkerRunsOnThePageThread) {
    INT_PTR result = 0;
    CTestPage viewLog(&page);
    viewLog.onInit = [](CTestPage& p) { p.PostMessage(kActMessage); };
    viewLog.act = [](CTestPage& p) { p.EndDialog(IDOK); };
    CWorker worker;
    ASSERT_TRUE(worker.Start(page.m_hWnd, kMessages, [&](CWorker& w) { result = w.RunModalOnUiThread(viewLog); }));
    ASSERT_TRUE(Finished());
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(viewLog.initThread, ::GetCurrentThreadId());
}

// The page waits for its worker (closing, destroying) while the worker is inside
// a call to the page's thread: the wait serves the call instead of deadlocking.
TEST_F(WorkerTest, WaitingServesTheWorkersCallsAndDestructionStopsTheWorker) {
    INT_PTR answer = 0;
    {
        CWorker worker;
        ASSERT_TRUE(worker.Start(page.m_hWnd, kMessages, [&](CWorker& w) {
            ::Sleep(20);
            answer = w.RunOnUiThread([] { return INT_PTR{42}; });
        }));
        worker.Wait();
        EXPECT_EQ(answer, 42);
    }
    std::atomic<bool> sawStop{false};
    {
        CWorker worker;
        ASSERT_TRUE(worker.Start(page.m_hWnd, kMessages, [&](CWorker& w) {
            while (!w.StopRequested()) ::Sleep(1);
            sawStop = true;
        }));
    }
    EXPECT_TRUE(sawStop);
}

}  // namespace
