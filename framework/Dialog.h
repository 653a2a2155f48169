#pragma once
// A dialog bound to one template. DoModal runs a modal loop of its own so that
// PreTranslateMessage sees every message first; Create makes the same dialog
// modeless, which is how the tests drive a page in process.
#include <windows.h>

#include "MessageMap.h"
#include "Wnd.h"

class CDialog;

// Ties control ids to members in one list per page, in both directions.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;  // true: controls to members; false: members to controls
};

void DDX_Control(CDataExchange* exchange, int id, CWnd& control);
void DDX_Text(CDataExchange* exchange, int id, CString& value);

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog until EndDialog; returns its result, or -1 when it could not be created.
    virtual INT_PTR DoModal();
    // Creates the dialog modeless (tests, embedded use); it lives until DestroyWindow or the object goes.
    bool Create(CWnd* parent = nullptr);
    void EndDialog(int result);
    bool IsModalLoopEnded() const { return m_endRequested; }
    int GetEndResult() const { return m_result; }

    bool UpdateData(bool saveAndValidate = true);
    UINT GetTemplateId() const { return m_templateId; }
    CWnd* GetParentPage() const { return m_parent; }

    virtual BOOL PreTranslateMessage(MSG* message);
    // Entry point for every message the dialog receives; public so owners can route to it.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* exchange);
    // Overridden by BEGIN_MESSAGE_MAP; returns true when a handler ran.
    virtual bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Called by a handler that wants the system's default processing after all.
    LRESULT Default();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool RouteCommandToOwner(WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    CWnd* m_parent;  // not owned
    bool m_endRequested = false;
    bool m_defaultRequested = false;
    int m_result = -1;
};
