#include "TestPage.h"

#include <stdexcept>

#include "TestPageRes.h"

CTestPage::CTestPage(CWnd* parent) : CDialog(IDD_TEST_PAGE, parent) {}

// The menu command sharing the list's id comes first, as a page's menu entries
// usually do: a selection change must still not reach it.
BEGIN_MESSAGE_MAP(CTestPage, CDialog)
    ON_COMMAND(IDC_TEST_LIST, OnListCommand)
    ON_LBN_SELCHANGE(IDC_TEST_LIST, OnListSelChange)
    ON_BN_CLICKED(IDC_TEST_BUTTON, OnButton)
    ON_EN_CHANGE(IDC_TEST_EDIT, OnEditChange)
    ON_NOTIFY(TVN_SELCHANGEDW, IDC_TEST_TREE, OnTreeSelChanged)
    ON_MESSAGE(kActMessage, OnAct)
    ON_MESSAGE(WM_SETTEXT, OnSetText)
    ON_MESSAGE(kNestedPlain, OnNestedPlain)
    ON_MESSAGE(kNestedDefault, OnNestedDefault)
    ON_MESSAGE(kWorkerBase, OnProgress)
    ON_MESSAGE(kWorkerBase + 1, OnFinished)
END_MESSAGE_MAP()

BOOL CTestPage::OnInitDialog() {
    CDialog::OnInitDialog();
    initThread = ::GetCurrentThreadId();
    if (onInit) onInit(*this);
    return TRUE;
}

void CTestPage::DoDataExchange(CDataExchange* exchange) {
    DDX_Control(exchange, IDC_TEST_LIST, m_list);
    DDX_Control(exchange, IDC_TEST_BUTTON, m_button);
    DDX_Control(exchange, IDC_TEST_EDIT, m_edit);
    DDX_Text(exchange, IDC_TEST_EDIT, name);
    if (exchange->m_bSaveAndValidate && name.IsEmpty()) exchange->Fail();
}

BOOL CTestPage::PreTranslateMessage(MSG* message) {
    if (throwInPreTranslate && message->message == kActMessage) throw std::runtime_error("key table missing");
    return CDialog::PreTranslateMessage(message);
}

LRESULT CTestPage::OnAct(WPARAM, LPARAM) {
    if (act) act(*this);
    return 0;
}

LRESULT CTestPage::OnSetText(WPARAM, LPARAM) {
    if (onSetText)
        onSetText(*this);
    else
        Default();
    return TRUE;
}

namespace {
ReportRecorder* g_recorder = nullptr;
void Record(const wchar_t* text) { g_recorder->reports.emplace_back(text); }
}  // namespace

ReportRecorder::ReportRecorder() {
    g_recorder = this;
    SetErrorLogWriter(Record);
}

ReportRecorder::~ReportRecorder() {
    SetErrorLogWriter(nullptr);
    g_recorder = nullptr;
}

bool ReportRecorder::Contains(const wchar_t* text) const {
    for (const std::wstring& report : reports)
        if (report.find(text) != std::wstring::npos) return true;
    return false;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return true;
}
