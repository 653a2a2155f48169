#pragma once
// A dialog with the skin as its background. It loads its picture when the
// object is made, paints it on every erase, applies the colour rule, and hands
// the look controls the messages they answer for themselves (reflected colour
// requests, owner drawing, their own clicks, keys before the dialog sees them).
#include "framework/Afx.h"
#include "ui/Skin.h"

class CSkinnedDialog : public CDialog {
public:
    // `skinFile` is one of the names in Skin.h, relative to the program folder.
    CSkinnedDialog(UINT templateId, const wchar_t* skinFile, CWnd* parent = nullptr);

    BOOL PreTranslateMessage(MSG* message) override;
    bool HasSkin() const { return m_skin.valid(); }

protected:
    // Loads the picture again (a page that is initialised more than once); the previous one is freed.
    void ReloadSkin();

    LRESULT OnEraseBackground(WPARAM wParam, LPARAM lParam);
    LRESULT OnCtlColorStatic(WPARAM wParam, LPARAM lParam) { return OnCtlColor(WM_CTLCOLORSTATIC, wParam, lParam); }
    LRESULT OnCtlColorButton(WPARAM wParam, LPARAM lParam) { return OnCtlColor(WM_CTLCOLORBTN, wParam, lParam); }
    LRESULT OnCtlColorEdit(WPARAM wParam, LPARAM lParam) { return OnCtlColor(WM_CTLCOLOREDIT, wParam, lParam); }
    LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);
    LRESULT OnControlCommand(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    LRESULT OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam);

    const wchar_t* m_skinFile;
    UniqueBitmap m_skin;      // empty when the picture is missing: system colours
    UniqueBrush m_skinBrush;  // the picture as a brush, made when a read-only edit first asks
};
