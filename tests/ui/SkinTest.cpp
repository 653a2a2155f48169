// The skin on the main page: painted from the program folder's picture, the
// system colours without it, and no GDI object left behind per page opening.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/MorvathDlg.h"
#include "app/MorvathDlgRes.h"
#include "tests/support/PageTestSupport.h"
#include "ui/Label.h"

namespace {

constexpr COLORREF kSkinColour = RGB(200, 30, 40);
constexpr COLORREF kUntouched = RGB(1, 2, 3);

class SkinTest : public ProgramFolderTest {
protected:
    void WritePageSkin() { WriteBitmapFile(programFolder.file(L"Korvane-Exchange.bmp"), 40, 30, kSkinColour); }

    // Erases the page into a picture prefilled with kUntouched and reads two pixels:
    // one on the skin and one beyond its 40 x 30 pixels.
    std::pair<COLORREF, COLORREF> ErasedPixels(CMorvathDlg& page) {
        WindowDcScope screen(nullptr);
        MemoryDc memory(screen.get());
        UniqueBitmap picture(::CreateCompatibleBitmap(screen.get(), 100, 100));
        SelectObjectScope select(memory.get(), picture.get());
        UniqueBrush untouched(::CreateSolidBrush(kUntouched));
        RECT all = {0, 0, 100, 100};
        ::FillRect(memory.get(), &all, untouched.get());
        ::SendMessageW(page.m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.get()), 0);
        return {::GetPixel(memory.get(), 5, 5), ::GetPixel(memory.get(), 60, 60)};
    }
    LRESULT ColourRequest(CMorvathDlg& page, UINT message, int id) {
        WindowDcScope dc(page.m_hWnd);
        return ::SendMessageW(page.m_hWnd, message, reinterpret_cast<WPARAM>(dc.get()),
                              reinterpret_cast<LPARAM>(::GetDlgItem(page.m_hWnd, id)));
    }
};

TEST_F(SkinTest, PagePaintsItsPictureOrFallsBackToSystemColoursWithTextsStillTransparent) {
    for (bool withPicture : {true, false}) {
        SCOPED_TRACE(withPicture ? "with the picture" : "without the picture");
        if (withPicture) {
            WritePageSkin();
        } else {
            ::DeleteFileW(programFolder.file(L"Korvane-Exchange.bmp").c_str());
        }
        CMorvathDlg page;
        ASSERT_TRUE(page.Create());
        ShowAndPaint(page.m_hWnd);
        EXPECT_EQ(page.HasSkin(), withPicture);
        auto [onSkin, beyond] = ErasedPixels(page);
        if (withPicture) {
            EXPECT_EQ(onSkin, kSkinColour);
            EXPECT_EQ(beyond, kUntouched);  // the picture is neither stretched nor tiled
        } else {
            EXPECT_EQ(onSkin, ::GetSysColor(COLOR_3DFACE));
        }
        auto hollow = reinterpret_cast<LRESULT>(::GetStockObject(HOLLOW_BRUSH));
        EXPECT_EQ(ColourRequest(page, WM_CTLCOLORSTATIC, IDC_SELECT_FILE_LABEL), hollow);
        EXPECT_EQ(ColourRequest(page, WM_CTLCOLORBTN, IDC_BROWSE), hollow);
        EXPECT_NE(ColourRequest(page, WM_CTLCOLOREDIT, IDC_SOURCE_PATH_EDIT), hollow);
        // A read-only edit asks as a static, yet must keep painting its own background.
        EXPECT_NE(ColourRequest(page, WM_CTLCOLORSTATIC, IDC_SOURCE_PATH_EDIT), hollow);
    }
    // Every opening waited for the splash, which found no picture and showed nothing.
    EXPECT_EQ(seams.pauses, (std::vector<DWORD>{2500, 2500}));
}

TEST_F(SkinTest, NoGdiObjectLeaksPerPageOpeningOrLabelColourChange) {
    WritePageSkin();
    std::wstring source = programFolder.file(L"MAIL.EDB");
    WriteWholeFile(source, "x");
    auto openOnce = [&] {
        CMorvathDlg page;
        ASSERT_TRUE(page.Create());
        ShowAndPaint(page.m_hWnd);
        seams.filesToPick.push_back(source);
        ::SendMessageW(page.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
        ::UpdateWindow(page.m_hWnd);
    };
    openOnce();  // the first opening may fill caches the system keeps
    DWORD before = GdiObjects();
    for (int i = 0; i < 100; ++i) openOnce();
    EXPECT_LT(GdiObjects(), before + 10) << "before " << before;

    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
    HWND text = ::CreateWindowExW(0, L"STATIC", L"path", WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, parent, nullptr, nullptr,
                                  nullptr);
    {
        CLabel label;
        ASSERT_TRUE(label.SubclassWindow(text));
        label.SetFill(RGB(255, 255, 255));
        before = GdiObjects();
        for (int i = 0; i < 100; ++i) label.SetFill(RGB(i, 255 - i, 0)).SetFill(RGB(0, 0, i), RGB(i, i, i), 1);
        EXPECT_LT(GdiObjects(), before + 10) << "before " << before;
    }
    ::DestroyWindow(parent);
}

}  // namespace
