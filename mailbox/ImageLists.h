#pragma once
// The icon lists of the mailbox pages' trees and lists. An image list
// given to a tree view or a shared-image list view stays the caller's, so the
// page owns it here and frees it with the page object.
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

#include "framework/Handles.h"

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::ImageList_Destroy(h); }
};
using UniqueImageList = UniqueResource<ImageListTraits>;

// A 16 by 16 list of the given icon resources, in order. An icon the resources
// lack takes the application icon's place, so every index keeps its meaning.
UniqueImageList MakeIconList(UINT colourFlags, std::initializer_list<int> iconIds);

// Frees the check boxes' state images that a tree view with check boxes, or a
// shared-image list view with check box rows, made for itself: neither frees
// them when its window goes, which would cost four GDI objects per page opening.
// Call it while the control's window still exists.
void FreeCheckBoxImages(HWND control);
