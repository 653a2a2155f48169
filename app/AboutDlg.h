#pragma once
// The About dialog: the product line, the maker's links and the name the
// Windows installation is registered to.
#include "framework/Afx.h"
#include "ui/SkinnedDialog.h"
#include "ui/URLLinkButton.h"

class CAboutDlg : public CSkinnedDialog {
public:
    explicit CAboutDlg(CWnd* parent = nullptr);

protected:
    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;

    void OnOkButton() { OnCancel(); }

    DECLARE_MESSAGE_MAP()

private:
    CURLLinkButton m_website;
    CURLLinkButton m_secondWebsite;
    CURLLinkButton m_sales;
    CURLLinkButton m_support;
};

// Text of the owner box: "This product is licensed to :", a line break and the
// registered owner's name (empty when Windows records none).
CString LicensedToText(wchar_t platformKind);

// Runs the dialog modally over `owner`; the page flow's About.
void RunAboutDialogModal(CWnd* owner);
