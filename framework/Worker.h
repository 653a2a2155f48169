#pragma once
// A page's worker thread. The worker never touches a control: it posts its
// progress and its end to the page's window, and the page updates the controls
// on the user-interface thread.
//
// Guarantees:
// - "finished" (base + 1) is posted exactly once per run, however the body ends:
//   returned, stopped, or threw (the exception is reported, not lost);
// - Stop and Pause are cooperative (StopToken); no thread is suspended or killed;
// - the object owns its thread handle and never outlives its thread: the
//   destructor asks for a stop and waits.
#include <windows.h>

#include <functional>

#include "Handles.h"
#include "StopToken.h"

class CDialog;

// How a run ended, carried in the finished message's wParam.
enum class WorkerEnd : WPARAM { Completed = 0, Stopped = 1, Failed = 2 };

// The messages of one page's worker, from a base of the page's own above WM_APP,
// so two pages' workers never share an id.
struct WorkerMessages {
    UINT base;
    UINT Progress() const { return base; }
    UINT Finished() const { return base + 1; }
};

class CWorker {
public:
    using Body = std::function<void(CWorker& worker)>;

    CWorker() = default;
    ~CWorker();
    CWorker(const CWorker&) = delete;
    CWorker& operator=(const CWorker&) = delete;

    // Starts `body` on a new thread that reports to `page`. False when a run is
    // still going or no thread could be made (then nothing is posted).
    bool Start(HWND page, WorkerMessages messages, Body body);
    bool IsRunning() const;
    // The page's Pause, Resume and Stop.
    void Pause() { m_token.Pause(); }
    void Resume() { m_token.Resume(); }
    void RequestStop() { m_token.RequestStop(); }
    bool IsPaused() const { return m_token.IsPaused(); }
    // Waits for the thread to end. Calls the worker makes to the user-interface
    // thread meanwhile are served, so waiting never deadlocks with them.
    void Wait();

    // For the body, on the worker thread.
    StopToken& Token() { return m_token; }
    bool StopRequested() const { return m_token.StopRequested(); }
    void WaitWhilePaused() { m_token.WaitWhilePaused(); }
    void PostProgress(WPARAM wParam, LPARAM lParam = 0) const;
    // Runs `call` on the page's thread and waits for its result (-1 when the page is gone).
    INT_PTR RunOnUiThread(const std::function<INT_PTR()>& call) const;
    // Shows a modal dialog on the user-interface thread, as if the page had opened it.
    INT_PTR RunModalOnUiThread(CDialog& dialog) const;

private:
    static unsigned __stdcall ThreadMain(void* self);
    void Run();

    HWND m_page = nullptr;  // not owned
    WorkerMessages m_messages = {WM_APP};
    Body m_body;
    StopToken m_token;
    UniqueKernelHandle m_thread;
    DWORD m_threadId = 0;
};
