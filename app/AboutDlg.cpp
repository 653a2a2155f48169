#include "AboutDlg.h"

#include "app/AboutDlgRes.h"
#include "wizard/Settings.h"
#include "wizard/SystemMenu.h"
#include "wizard/WizardGlobals.h"

namespace {

constexpr wchar_t kNtVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr wchar_t kWindows9xVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

// The shell takes a bare address for a file name and fails; with the scheme in
// front it starts the browser or the mail program, while the buttons still
// show the short addresses that fit them.
constexpr wchar_t kWebPrefix[] = L"https://";
constexpr wchar_t kMailPrefix[] = L"mailto:";

CString ReadRegisteredOwner(wchar_t platformKind) {
    HKEY key = nullptr;
    const wchar_t* path = platformKind == L'N' ? kNtVersionKey : kWindows9xVersionKey;
    // The 64-bit view: a 32-bit program on 64-bit Windows would otherwise read a copy that setup may not fill.
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return CString();
    wchar_t owner[kSettingBufferUnits] = {};
    ReadSettingString(key, owner, L"RegisteredOwner");  // closes the key
    return CString(owner);
}

}  // namespace

CString LicensedToText(wchar_t platformKind) {
    CString text = L"This product is licensed to :\r\n";
    text += ReadRegisteredOwner(platformKind);
    return text;
}

CAboutDlg::CAboutDlg(CWnd* parent) : CSkinnedDialog(IDD_ABOUTBOX, kSmallSkinFile, parent) {
    m_website.SetPrefix(kWebPrefix);
    m_secondWebsite.SetPrefix(kWebPrefix);
    m_sales.SetPrefix(kMailPrefix);
    m_support.SetPrefix(kMailPrefix);
}

BEGIN_MESSAGE_MAP(CAboutDlg, CSkinnedDialog)
    ON_BN_CLICKED(IDC_ABOUT_OK, OnOkButton)
END_MESSAGE_MAP()

void CAboutDlg::DoDataExchange(CDataExchange* exchange) {
    CDialog::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_ABOUT_WEBSITE, m_website);
    DDX_Control(exchange, IDC_ABOUT_SECOND_WEBSITE, m_secondWebsite);
    DDX_Control(exchange, IDC_ABOUT_SALES, m_sales);
    DDX_Control(exchange, IDC_ABOUT_SUPPORT, m_support);
}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AppendAboutItemToSystemMenu(*this);
    SetDlgItemText(IDC_ABOUT_OWNER, LicensedToText(g_platformKind));
    return TRUE;
}

void RunAboutDialogModal(CWnd* owner) {
    CAboutDlg about(owner);
    about.DoModal();
}
