#include "SkinnedDialog.h"

#include "ui/SubclassedControl.h"

CSkinnedDialog::CSkinnedDialog(UINT templateId, const wchar_t* skinFile, CWnd* parent)
    : CDialog(templateId, parent), m_skinFile(skinFile), m_skin(LoadSkinBitmap(skinFile)) {}

void CSkinnedDialog::ReloadSkin() {
    m_skinBrush.reset();
    m_skin = LoadSkinBitmap(m_skinFile);
}

BEGIN_MESSAGE_MAP(CSkinnedDialog, CDialog)
    ON_MESSAGE(WM_ERASEBKGND, OnEraseBackground)
    ON_MESSAGE(WM_CTLCOLORSTATIC, OnCtlColorStatic)
    ON_MESSAGE(WM_CTLCOLORBTN, OnCtlColorButton)
    ON_MESSAGE(WM_CTLCOLOREDIT, OnCtlColorEdit)
    ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
    ON_MESSAGE(WM_COMMAND, OnControlCommand)
END_MESSAGE_MAP()

LRESULT CSkinnedDialog::OnEraseBackground(WPARAM wParam, LPARAM) {
    if (PaintSkin(reinterpret_cast<HDC>(wParam), m_skin.get())) return TRUE;
    return Default();
}

LRESULT CSkinnedDialog::OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT brush = 0;
    auto control = reinterpret_cast<HWND>(lParam);
    if (CSubclassedControl::Reflect(control, message, wParam, lParam, brush)) return brush;
    if (ApplySkinColourRule(message, reinterpret_cast<HDC>(wParam), control, brush)) return brush;
    if (message == WM_CTLCOLORSTATIC && m_skin && !m_skinBrush && IsEditControl(control))
        m_skinBrush.reset(::CreatePatternBrush(m_skin.get()));
    if (SkinUnderEdit(message, reinterpret_cast<HDC>(wParam), control, m_hWnd, m_skinBrush.get(), brush)) return brush;
    return Default();
}

LRESULT CSkinnedDialog::OnDrawItem(WPARAM wParam, LPARAM lParam) {
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    LRESULT result = 0;
    if (item && CSubclassedControl::Reflect(item->hwndItem, WM_DRAWITEM, wParam, lParam, result)) return TRUE;
    return Default();
}

LRESULT CSkinnedDialog::OnControlCommand(WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (lParam && CSubclassedControl::Reflect(reinterpret_cast<HWND>(lParam), WM_COMMAND, wParam, lParam, result))
        return 0;
    return Default();
}

BOOL CSkinnedDialog::PreTranslateMessage(MSG* message) {
    if (CSubclassedControl* control = CSubclassedControl::FromHandle(message->hwnd)) {
        if (control->PreTranslateMessage(message)) return TRUE;
    }
    return CDialog::PreTranslateMessage(message);
}
