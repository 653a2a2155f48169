#include "ImageLists.h"

#include "framework/App.h"
#include "res/resource.h"

void FreeCheckBoxImages(HWND control) {
    wchar_t className[32] = {};
    ::GetClassNameW(control, className, 32);
    // Taking the list away first: a control that would free it itself then finds none.
    bool tree = ::lstrcmpiW(className, WC_TREEVIEWW) == 0;
    auto images = reinterpret_cast<HIMAGELIST>(
        ::SendMessageW(control, tree ? TVM_SETIMAGELIST : LVM_SETIMAGELIST, tree ? TVSIL_STATE : LVSIL_STATE, 0));
    if (images) ::ImageList_Destroy(images);
}

UniqueImageList MakeIconList(UINT colourFlags, std::initializer_list<int> iconIds) {
    UniqueImageList list(::ImageList_Create(16, 16, colourFlags, static_cast<int>(iconIds.size()), 0));
    if (!list) return list;
    HINSTANCE resources = AfxGetResourceHandle();
    for (int id : iconIds) {
        auto icon = static_cast<HICON>(::LoadImageW(resources, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
        if (!icon) {
            icon = static_cast<HICON>(
                ::LoadImageW(resources, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON, 16, 16, 0));
        }
        ::ImageList_AddIcon(list.get(), icon);  // copies the image
        if (icon) ::DestroyIcon(icon);
    }
    return list;
}
