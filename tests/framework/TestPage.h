#pragma once
// A page of the tests' own, built like a wizard page (template, data exchange,
// handler table), that records what reached which handler and can be told to
// misbehave in the ways the dialog core must survive.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Afx.h"

constexpr UINT kActMessage = WM_APP + 1;     // the page does what `act` says
constexpr UINT kNestedPlain = WM_APP + 2;    // handled, no default wanted
constexpr UINT kNestedDefault = WM_APP + 3;  // handled, asks for default
constexpr UINT kWorkerBase = WM_APP + 0x40;

class CTestPage : public CDialog {
public:
    explicit CTestPage(CWnd* parent = nullptr);

    std::vector<std::string> calls;
    std::function<void(CTestPage&)> onInit;  // runs at the end of OnInitDialog
    std::function<void(CTestPage&)> act;     // runs on kActMessage
    std::function<void(CTestPage&)> onSetText;
    bool throwInPreTranslate = false;
    DWORD initThread = 0;
    CString name;  // exchanged with the edit; must not be empty when read

    CEdit m_edit;
    CWnd m_list;
    CButton m_button;

    std::vector<WPARAM> progress;
    std::vector<WorkerEnd> finished;

    BOOL PreTranslateMessage(MSG* message) override;
    LRESULT CallDefault() { return Default(); }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* exchange) override;
    void StoreData() override { calls.push_back("store"); }

    void OnListCommand() { calls.push_back("list command"); }
    void OnListSelChange() { calls.push_back("list selection"); }
    void OnButton() { calls.push_back("button"); }
    void OnEditChange() { calls.push_back("edit change"); }
    void OnTreeSelChanged(NMHDR*, LRESULT* result) {
        calls.push_back("tree selection");
        *result = 0;
    }
    LRESULT OnAct(WPARAM, LPARAM);
    LRESULT OnSetText(WPARAM, LPARAM);
    LRESULT OnNestedPlain(WPARAM, LPARAM) { return 0; }
    LRESULT OnNestedDefault(WPARAM, LPARAM) { return Default(); }
    LRESULT OnProgress(WPARAM wParam, LPARAM) {
        progress.push_back(wParam);
        return 0;
    }
    LRESULT OnFinished(WPARAM wParam, LPARAM) {
        finished.push_back(static_cast<WorkerEnd>(wParam));
        return 0;
    }

    DECLARE_MESSAGE_MAP()
};

// Collects every error report for one test.
class ReportRecorder {
public:
    ReportRecorder();
    ~ReportRecorder();
    std::vector<std::wstring> reports;
    bool Contains(const wchar_t* text) const;
};

// Dispatches this thread's messages until `done` is true or `timeoutMs` passes.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
