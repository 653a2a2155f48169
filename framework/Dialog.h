#pragma once
// A dialog bound to one template. DoModal runs a modal loop of its own so that
// PreTranslateMessage sees every message first; Create makes the same dialog
// modeless, which is how the tests drive a page in process.
#include <windows.h>

#include <functional>

#include "MessageMap.h"
#include "Wnd.h"

class CDialog;

// Ties control ids to members in one list per page, in both directions. When the
// controls are read (m_bSaveAndValidate), the list may also validate: a check
// that fails says why, then calls Fail, which puts the focus back on the field
// and makes UpdateData report failure.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    // Remembers the control being exchanged, the one Fail focuses by default.
    void PrepareControl(int id) { m_lastControlId = id; }
    void Fail(int id = 0);
    bool Failed() const { return m_failed; }

    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;  // true: controls to members; false: members to controls

private:
    int m_lastControlId = 0;
    bool m_failed = false;
};

// Attaches the wrapper to the control of this window every time, so a page
// object that is created a second time drives the new window's controls.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);
void DDX_Text(CDataExchange* exchange, int id, CString& value);

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog until EndDialog or until its window is destroyed by any
    // means. Returns the EndDialog result; -1 when the window could not be made,
    // its initialisation threw, or it went without EndDialog. The owner is
    // enabled again and the window destroyed on every way out.
    virtual INT_PTR DoModal();
    // Creates the dialog modeless (tests, embedded use); it lives until DestroyWindow or the object goes.
    bool Create(CWnd* parent = nullptr);
    void EndDialog(int result);
    bool IsModalLoopEnded() const { return m_endRequested; }
    int GetEndResult() const { return m_result; }

    // Runs DoDataExchange; false when reading the controls and a check failed.
    bool UpdateData(bool saveAndValidate = true);
    UINT GetTemplateId() const { return m_templateId; }
    CWnd* GetParentPage() const { return m_parent; }

    virtual BOOL PreTranslateMessage(MSG* message);
    // Entry point for every message the dialog receives; public so owners can route to it.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    // Runs `call` on the thread that owns `window` (a dialog of this framework)
    // and returns its result; from that thread itself it simply calls. A worker
    // uses this to show a modal dialog on the user-interface thread. Returns -1
    // when the window is gone.
    static INT_PTR RunOnWindowThread(HWND window, const std::function<INT_PTR()>& call);

protected:
    virtual BOOL OnInitDialog();
    // Reads and validates the controls, then stores the result, then ends with IDOK.
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* exchange);
    // Called by OnOK only after the controls were read and validated: where a
    // page writes what the user chose into the wizard state.
    virtual void StoreData() {}
    // Overridden by BEGIN_MESSAGE_MAP; returns true when a handler ran.
    virtual bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Called by a handler that wants the system's default processing for the
    // message it is handling after all; it happens when the handler returns.
    // Nested messages (a handler sending to its own window, a message box that
    // pumps paints) each keep their own request.
    LRESULT Default();

private:
    struct MessageCall {
        bool defaultRequested = false;
    };

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateWindowFor(HWND owner);
    void DestroyOwnWindow();
    bool RouteCommandToOwner(WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    CWnd* m_parent;  // not owned
    bool m_endRequested = false;
    bool m_windowDestroyed = false;
    bool m_initFailed = false;
    MessageCall* m_currentCall = nullptr;  // the innermost message being handled
    int m_result = -1;
};
