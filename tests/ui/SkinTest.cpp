// The skin on every page: painted from the program folder's picture, the
// system colours without it, and no GDI object left behind per page opening.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/AboutDlg.h"
#include "app/AboutDlgRes.h"
#include "app/MorvathDlg.h"
#include "app/MorvathDlgRes.h"
#include "convert/FileSave.h"
#include "convert/FileSaveRes.h"
#include "log/ViewLogDlg.h"
#include "log/ViewLogRes.h"
#include "mailbox/Mailbox.h"
#include "mailbox/MailboxRes.h"
#include "mailbox/Preview.h"
#include "mailbox/PreviewRes.h"
#include "mailbox/ProgressBar.h"
#include "sample/SampleSource.h"
#include "search/Search.h"
#include "search/SearchRes.h"
#include "tests/mailbox/PreviewFixture.h"
#include "tests/support/PageTestSupport.h"
#include "ui/Label.h"
#include "wizard/WizardGlobals.h"

namespace {

constexpr COLORREF kSkinColour = RGB(200, 30, 40);
constexpr COLORREF kUntouched = RGB(1, 2, 3);

class SkinTest : public ProgramFolderTest {
protected:
    void WritePageSkin() { WriteBitmapFile(programFolder.file(L"Korvane-Exchange.bmp"), 40, 30, kSkinColour); }

    // Erases the page into a picture prefilled with kUntouched and reads two pixels:
    // one on the skin and one beyond its 40 x 30 pixels.
    static std::pair<COLORREF, COLORREF> ErasedPixels(HWND page) {
        std::vector<COLORREF> pixels = DrawnPixels(100, 100, kUntouched, [page](HDC dc) {
            ::SendMessageW(page, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        });
        return {pixels[5 * 100 + 5], pixels[60 * 100 + 60]};
    }
    static LRESULT ColourRequest(HWND page, UINT message, int id) {
        WindowDcScope dc(page);
        return ::SendMessageW(page, message, reinterpret_cast<WPARAM>(dc.get()),
                              reinterpret_cast<LPARAM>(::GetDlgItem(page, id)));
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
        auto [onSkin, beyond] = ErasedPixels(page.m_hWnd);
        if (withPicture) {
            EXPECT_EQ(onSkin, kSkinColour);
            EXPECT_EQ(beyond, kUntouched);  // the picture is neither stretched nor tiled
        } else {
            EXPECT_EQ(onSkin, ::GetSysColor(COLOR_3DFACE));
        }
        auto hollow = reinterpret_cast<LRESULT>(::GetStockObject(HOLLOW_BRUSH));
        EXPECT_EQ(ColourRequest(page.m_hWnd, WM_CTLCOLORSTATIC, IDC_SELECT_FILE_LABEL), hollow);
        EXPECT_EQ(ColourRequest(page.m_hWnd, WM_CTLCOLORBTN, IDC_BROWSE), hollow);
        EXPECT_NE(ColourRequest(page.m_hWnd, WM_CTLCOLOREDIT, IDC_SOURCE_PATH_EDIT), hollow);
        // An edit box asking as a static paints its own background, never a hollow one.
        EXPECT_NE(ColourRequest(page.m_hWnd, WM_CTLCOLORSTATIC, IDC_SOURCE_PATH_EDIT), hollow);
    }
    // Every opening waited for the splash, which found no picture and showed nothing.
    EXPECT_EQ(seams.pauses, (std::vector<DWORD>{2500, 2500}));
}

// The About dialog's owner text is a read-only edit, which asks for its
// colours as a static: its text lies on the picture too, and its own fill
// paints the picture, so a repaint of the box alone leaves nothing behind.
TEST_F(SkinTest, AReadOnlyEditShowsThePictureUnderItsText) {
    WriteBitmapFile(programFolder.file(L"Skin2.bmp"), 600, 400, kSkinColour);
    CAboutDlg about;
    ASSERT_TRUE(about.Create());
    ShowAndPaint(about.m_hWnd);
    HWND owner = ::GetDlgItem(about.m_hWnd, IDC_ABOUT_OWNER);
    WindowDcScope screen(nullptr);
    MemoryDc memory(screen.get());
    UniqueBitmap picture(::CreateCompatibleBitmap(screen.get(), 50, 20));
    SelectObjectScope select(memory.get(), picture.get());
    auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
        about.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(memory.get()), reinterpret_cast<LPARAM>(owner)));
    ASSERT_TRUE(brush);
    EXPECT_NE(brush, static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH)));
    EXPECT_EQ(::GetBkMode(memory.get()), TRANSPARENT);
    RECT area = {0, 0, 50, 20};
    ::FillRect(memory.get(), &area, brush);
    EXPECT_EQ(::GetPixel(memory.get(), 10, 10), kSkinColour);
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
    ExpectNoGdiLeakPerOpening(openOnce);

    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
    HWND text = ::CreateWindowExW(0, L"STATIC", L"path", WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, parent, nullptr, nullptr,
                                  nullptr);
    {
        CLabel label;
        ASSERT_TRUE(label.SubclassWindow(text));
        label.SetFill(RGB(255, 255, 255));
        const DWORD before = GdiObjects();
        for (int i = 0; i < 100; ++i) label.SetFill(RGB(i, 255 - i, 0)).SetFill(RGB(0, 0, i), RGB(i, i, i), 1);
        EXPECT_LT(GdiObjects(), before + 10) << "before " << before;
    }
    ::DestroyWindow(parent);
}

// The other pages, each opened as the wizard opens it and left once it has
// settled (its scan or analysis ended): picture or system colours, a text of
// it lying on the skin, and the same count of GDI objects after 100 openings.
struct PageCase {
    const char* name;
    const wchar_t* skinFile;  // as in Skin.h, with its leading backslash
    int textOnSkin;
    std::function<std::unique_ptr<CSkinnedDialog>()> open;
};

void PrintTo(const PageCase& page, std::ostream* out) { *out << page.name; }

std::unique_ptr<CSkinnedDialog> Settled(std::unique_ptr<CSkinnedDialog> page, std::function<bool()> settled) {
    if (!page->Create()) return nullptr;
    ShowAndPaint(page->m_hWnd);
    return previewtest::PumpUntil(settled) ? std::move(page) : nullptr;
}

std::unique_ptr<CSkinnedDialog> OpenMailboxPage() {
    auto page = std::make_unique<CMailbox>();
    HWND* window = &page->m_hWnd;
    return Settled(std::move(page), [window] { return ::IsWindowEnabled(::GetDlgItem(*window, IDC_MAILBOX_CONVERT)); });
}

std::unique_ptr<CSkinnedDialog> OpenAnalysis() {
    g_currentMailboxName = L"Alice";
    auto page = std::make_unique<CProgressBar>(AnalysisTargets{}, nullptr);
    CProgressBar* analysis = page.get();
    return Settled(std::move(page), [analysis] { return analysis->IsModalLoopEnded(); });
}

std::unique_ptr<CSkinnedDialog> OpenPreview() {
    g_selectedMailboxes.Free();
    g_selectedMailboxes.Append(L"Alice");
    g_selectedCountText = L"1";
    g_currentMailboxName = L"Alice";
    auto page = std::make_unique<CPreview>();
    HWND* window = &page->m_hWnd;
    return Settled(std::move(page), [window] { return ::IsWindowEnabled(::GetDlgItem(*window, IDC_PREVIEW_BACK)); });
}

std::unique_ptr<CSkinnedDialog> OpenViewLog() {
    return Settled(std::make_unique<CViewLog>(), [] { return true; });
}

// Settled before its worker starts: the skin is the page's own, the run is not.
class ConversionPageWithoutRun : public CFileSave {
protected:
    bool CheckComponents() override { return false; }
};

const PageCase kPages[] = {
    {"MainPage", kPageSkinFile, IDC_SELECT_FILE_LABEL,
     [] { return Settled(std::make_unique<CMorvathDlg>(), [] { return true; }); }},
    {"SearchPage", kPageSkinFile, IDC_SEARCH_COUNTER,
     [] { return Settled(std::make_unique<CSearch>(), [] { return true; }); }},
    {"MailboxPage", kPageSkinFile, IDC_MAILBOX_SOURCE_PATH, OpenMailboxPage},
    {"Analysis", kSmallSkinFile, -1, OpenAnalysis},  // its one fixed text
    {"PreviewPage", kPageSkinFile, IDC_PREVIEW_SHOWN_NUMBER, OpenPreview},
    {"ConversionPage", kPageSkinFile, IDC_SAVE_PREVIEW_SKIPPED,
     [] { return Settled(std::make_unique<ConversionPageWithoutRun>(), [] { return true; }); }},
    {"ViewLog", kSmallSkinFile, IDC_VIEW_LOG_RESULT, OpenViewLog},
    {"About", kSmallSkinFile, -1, [] { return Settled(std::make_unique<CAboutDlg>(), [] { return true; }); }},
};

class PageSkinTest : public SkinTest, public ::testing::WithParamInterface<PageCase> {
protected:
    void SetUp() override {
        sample::SampleOptions options;
        options.messages = 20;
        sample::Expectation expected;
        std::string error;
        std::wstring source = programFolder.file(L"PRIV1.EDB");
        ASSERT_TRUE(sample::WriteSample(std::string(source.begin(), source.end()), options, expected, error)) << error;
        g_sourceFilePath = g_analysisSourcePath = g_conversionSourcePath = source.c_str();
    }
};

TEST_P(PageSkinTest, PaintsItsPictureOrSystemColoursAndLeaksNoGdiObjectPerOpening) {
    const PageCase& page = GetParam();
    // Closed as its modal loop closes it: the window goes while the page object is still whole.
    auto close = [](std::unique_ptr<CSkinnedDialog> opened) { ::DestroyWindow(opened->m_hWnd); };
    std::wstring picture = programFolder.file(page.skinFile + 1);
    for (bool withPicture : {false, true}) {
        SCOPED_TRACE(withPicture ? "with the picture" : "without the picture");
        if (withPicture) WriteBitmapFile(picture, 40, 30, kSkinColour);
        std::unique_ptr<CSkinnedDialog> opened = page.open();
        ASSERT_TRUE(opened) << "the page did not open or settle";
        EXPECT_EQ(opened->HasSkin(), withPicture);
        EXPECT_EQ(ErasedPixels(opened->m_hWnd).first, withPicture ? kSkinColour : ::GetSysColor(COLOR_3DFACE));
        EXPECT_EQ(ColourRequest(opened->m_hWnd, WM_CTLCOLORSTATIC, page.textOnSkin),
                  reinterpret_cast<LRESULT>(::GetStockObject(HOLLOW_BRUSH)));
        close(std::move(opened));
    }
    DWORD before = GdiObjects();
    for (int i = 0; i < 100; ++i) {
        std::unique_ptr<CSkinnedDialog> opened = page.open();
        ASSERT_TRUE(opened) << "opening " << i;
        close(std::move(opened));
    }
    // One object kept per opening adds 100; the system's own caches (list and
    // tree views under wine) settle with a few dozen at some point of the run.
    EXPECT_LT(GdiObjects(), before + 50) << "before " << before;
}

// The pictures that ship, under the fonts the test meets: what the page shows
// along its right and bottom edges is the picture's own pixel there, so no
// column or row of the client area is left unpainted.
TEST_P(PageSkinTest, TheShippedPictureCoversTheWholeClientArea) {
    const PageCase& page = GetParam();
    const std::wstring shipped = previewtest::Wide(std::string("Z:") + KORVANE_PROGRAM_DIR) + page.skinFile;
    std::wstring picturePath = programFolder.file(page.skinFile + 1);
    ASSERT_TRUE(::CopyFileW(shipped.c_str(), picturePath.c_str(), FALSE));
    std::unique_ptr<CSkinnedDialog> opened = page.open();
    ASSERT_TRUE(opened);
    RECT client;
    ::GetClientRect(opened->m_hWnd, &client);
    UniqueBitmap picture = LoadBitmapFile(picturePath.c_str());
    ASSERT_TRUE(picture);

    WindowDcScope screen(nullptr);
    MemoryDc erased(screen.get()), original(screen.get());
    UniqueBitmap canvas(::CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
    SelectObjectScope selectCanvas(erased.get(), canvas.get());
    SelectObjectScope selectPicture(original.get(), picture.get());
    UniqueBrush untouched(::CreateSolidBrush(kUntouched));
    ::FillRect(erased.get(), &client, untouched.get());
    ::SendMessageW(opened->m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(erased.get()), 0);
    auto same = [&](int x, int y) { return ::GetPixel(erased.get(), x, y) == ::GetPixel(original.get(), x, y); };
    int wrong = 0;
    for (int y = 0; y < client.bottom; ++y) wrong += !same(client.right - 1, y);
    for (int x = 0; x < client.right; ++x) wrong += !same(x, client.bottom - 1);
    EXPECT_EQ(wrong, 0) << "client area " << client.right << " x " << client.bottom;
    ::DestroyWindow(opened->m_hWnd);
}

INSTANTIATE_TEST_SUITE_P(EveryPage, PageSkinTest, ::testing::ValuesIn(kPages),
                         [](const ::testing::TestParamInfo<PageCase>& info) { return info.param.name; });

}  // namespace
