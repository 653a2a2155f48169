#include "SystemMenu.h"

#include "framework/App.h"
#include "res/resource.h"

void AppendAboutItemToSystemMenu(CWnd& page) {
    wchar_t caption[256] = {};
    if (::LoadStringW(AfxGetResourceHandle(), IDS_ABOUTBOX, caption, 256) <= 0 || !caption[0]) return;
    HMENU menu = page.GetSystemMenu(false);
    if (!menu) return;
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, caption);
}
