#include "Worker.h"

#include <process.h>

#include <string>

#include "ComClassCache.h"
#include "Dialog.h"
#include "ErrorReport.h"

CWorker::~CWorker() {
    RequestStop();
    Wait();
}

bool CWorker::Start(HWND page, WorkerMessages messages, Body body) {
    if (IsRunning()) return false;
    Wait();  // a finished earlier run: release its handle
    m_page = page;
    m_messages = messages;
    m_body = std::move(body);
    m_token.Reset();
    unsigned threadId = 0;
    uintptr_t thread = ::_beginthreadex(nullptr, 0, ThreadMain, this, 0, &threadId);
    if (!thread) return false;
    m_thread.reset(reinterpret_cast<HANDLE>(thread));
    m_threadId = threadId;
    return true;
}

bool CWorker::IsRunning() const { return m_thread.valid() && ::WaitForSingleObject(m_thread.get(), 0) == WAIT_TIMEOUT; }

void CWorker::Wait() {
    if (!m_thread.valid()) return;
    if (::GetCurrentThreadId() == m_threadId) return;  // the body cannot wait for itself
    HANDLE thread = m_thread.get();
    for (;;) {
        DWORD woken = ::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woken != WAIT_OBJECT_0 + 1) break;
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // serves sent messages
    }
    m_thread.reset();
    m_threadId = 0;
}

void CWorker::PostProgress(WPARAM wParam, LPARAM lParam) const {
    ::PostMessageW(m_page, m_messages.Progress(), wParam, lParam);
}

INT_PTR CWorker::RunOnUiThread(const std::function<INT_PTR()>& call) const {
    return CDialog::RunOnWindowThread(m_page, call);
}

INT_PTR CWorker::RunModalOnUiThread(CDialog& dialog) const {
    return RunOnUiThread([&dialog] { return dialog.DoModal(); });
}

unsigned __stdcall CWorker::ThreadMain(void* self) {
    static_cast<CWorker*>(self)->Run();
    return 0;
}

void CWorker::Run() {
    WorkerEnd end = WorkerEnd::Completed;
    try {
        m_body(*this);
        if (m_token.StopRequested()) end = WorkerEnd::Stopped;
    } catch (...) {
        ReportCurrentException(L"worker thread " + std::to_wstring(::GetCurrentThreadId()));
        end = WorkerEnd::Failed;
    }
    // Class objects the body kept belong to an apartment it has not undone (the
    // COM scopes release theirs before undoing it): still alive here.
    com::ReleaseThreadComClasses();
    ::PostMessageW(m_page, m_messages.Finished(), static_cast<WPARAM>(end), 0);
}
