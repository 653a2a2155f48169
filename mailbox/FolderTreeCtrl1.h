#pragma once
// The preview page's folder tree: a tree view with a check box on every item.
// Ticking or unticking a folder does the same to everything below it and
// updates the folders above it; an item is bold while it or something below
// it is ticked. Each item's icon follows its folder name.
//
// Items are found and made by their component texts. A text may hold a
// backslash (a mailbox name from the database may): it is still one item.
// Paths are built in growable strings, whatever the texts' lengths.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "framework/Wnd.h"
#include "mailbox/ImageLists.h"

class CFolderTreeCtrl1 : public CWnd {
public:
    static constexpr int kUnticked = 1;  // check-box state images
    static constexpr int kTicked = 2;

    CFolderTreeCtrl1() = default;
    ~CFolderTreeCtrl1() override;
    CFolderTreeCtrl1(const CFolderTreeCtrl1&) = delete;
    CFolderTreeCtrl1& operator=(const CFolderTreeCtrl1&) = delete;

    // Takes over the dialog's tree control, so presses on check boxes come here first.
    void SubclassDlgItem(int id, HWND dialog);
    void SetUpImages();

    // Finds or creates one item per component below the tree's root, each new
    // one last among its siblings; returns the last (null for no components).
    HTREEITEM AddItems(const std::vector<CString>& components);
    // The same for "A\B\C\": every component followed by a backslash; text
    // after the last backslash is ignored.
    HTREEITEM AddPath(const CString& path);
    // The texts from the top-level item down to `item`, each followed by a backslash.
    CString ItemPath(HTREEITEM item) const;
    // What a press on the item's check box does.
    void ToggleTick(HTREEITEM item);

    CString ItemText(HTREEITEM item) const;
    int StateImage(HTREEITEM item) const;
    bool IsTicked(HTREEITEM item) const { return StateImage(item) != kUnticked; }
    bool IsBold(HTREEITEM item) const;
    int Image(HTREEITEM item) const;
    HTREEITEM Root() const { return Next(nullptr, TVGN_ROOT); }
    HTREEITEM Child(HTREEITEM item) const { return Next(item, TVGN_CHILD); }
    HTREEITEM Sibling(HTREEITEM item) const { return Next(item, TVGN_NEXT); }
    HTREEITEM Parent(HTREEITEM item) const { return Next(item, TVGN_PARENT); }
    HTREEITEM Selected() const { return Next(nullptr, TVGN_CARET); }
    void DeleteAllItems() { SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }

    // The image of a folder by its name: the names are compared in upper case,
    // anything unknown gets the plain folder.
    static int FolderImage(const CString& text);

private:
    HTREEITEM Next(HTREEITEM item, UINT relation) const {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM FindOrInsert(HTREEITEM parent, const CString& text);
    void SetState(HTREEITEM item, int stateImage, bool bold);
    void SetBold(HTREEITEM item, bool bold);
    void TickBelow(HTREEITEM item, bool ticked);
    void UpdateAncestors(HTREEITEM item);
    bool OnLeftButtonDown(LPARAM position);
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);

    UniqueImageList m_images;
    bool m_subclassed = false;
};
