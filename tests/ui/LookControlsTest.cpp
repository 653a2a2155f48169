// The look controls on their own: the label's gradient and text layout, the
// splash outline cut from a picture, the link button's colours and keys.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/PageTestSupport.h"
#include "ui/Label.h"
#include "ui/PictureRegion.h"
#include "ui/URLLinkButton.h"

namespace {

struct BandCase {
    int width;
    COLORREF from, to;
    size_t bands;
    GradientBand last;
};

TEST(LabelGradient, OneBandPerColumnUpToAHundredAndTheLastEndsAtTheRightEdge) {
    const BandCase cases[] = {
        // narrower than 100 pixels: one column each; 255 x 256 / 50 per band, in 1/256 steps
        {50, RGB(0, 0, 0), RGB(255, 255, 255), 50, {49, 50, RGB(249, 249, 249)}},
        // 250 pixels: 100 bands of 2, the last one takes the remaining 52 columns
        {250, RGB(0, 0, 0), RGB(200, 0, 0), 100, {198, 250, RGB(198, 0, 0)}},
        // falling channels move down without wrapping round
        {300, RGB(255, 255, 255), RGB(0, 0, 0), 100, {297, 300, RGB(2, 2, 2)}},
    };
    for (const BandCase& c : cases) {
        SCOPED_TRACE(c.width);
        std::vector<GradientBand> bands = LabelGradientBands(c.width, c.from, c.to);
        ASSERT_EQ(bands.size(), c.bands);
        EXPECT_EQ(bands.front().left, 0);
        EXPECT_EQ(bands.front().colour, c.from);
        EXPECT_EQ(bands.back().left, c.last.left);
        EXPECT_EQ(bands.back().right, c.last.right);
        EXPECT_EQ(bands.back().colour, c.last.colour);
        for (size_t i = 1; i < bands.size(); ++i) EXPECT_EQ(bands[i].left, bands[i - 1].right);
    }
}

TEST(LabelTextFormat, CentredImageStyleCentresOneLineBothWaysAndSeveralLinesAcross) {
    EXPECT_EQ(CLabel::TextFormat(SS_LEFT | SS_CENTERIMAGE, L"C:\\MAIL.EDB"),
              static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_SINGLELINE));
    EXPECT_EQ(CLabel::TextFormat(SS_LEFT | SS_CENTERIMAGE, L"first\r\nsecond"), static_cast<UINT>(DT_CENTER));
    EXPECT_EQ(CLabel::TextFormat(SS_LEFT, L"a\tb"), static_cast<UINT>(DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS));
}

// A 20 x 10 picture of one colour in which `keyPixels` are set to the key colour.
UniqueBitmap Picture(const std::function<bool(int x, int y)>& keyPixels, COLORREF body = RGB(30, 60, 120)) {
    BITMAPINFO format = {};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), 20, -10, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueBitmap picture(::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    auto* pixels = static_cast<DWORD*>(bits);
    auto asPixel = [](COLORREF c) { return (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | GetBValue(c); };
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) pixels[y * 20 + x] = asPixel(keyPixels(x, y) ? kSplashKeyColour : body);
    return picture;
}

struct RegionCase {
    const char* name;
    std::function<bool(int, int)> key;
    RECT box;
    std::vector<POINT> inside, outside;
};

TEST(SplashRegion, KeyColouredPixelsAreCutOutExactlyWherePictureHasThem) {
    const RegionCase cases[] = {
        {"key-colour border",
         [](int x, int y) { return x < 2 || y < 2 || x >= 18 || y >= 8; },
         {2, 2, 18, 8},
         {{2, 2}, {17, 7}},
         {{1, 1}, {18, 5}, {5, 8}}},
        {"key colour in the last column",
         [](int x, int y) { return x == 19 && y == 3; },
         {0, 0, 20, 10},
         {{19, 2}, {19, 4}, {18, 3}},
         {{19, 3}}},
        {"no key colour", [](int, int) { return false; }, {0, 0, 20, 10}, {{0, 0}, {19, 9}}, {}},
    };
    for (const RegionCase& c : cases) {
        SCOPED_TRACE(c.name);
        UniqueBitmap picture = Picture(c.key);
        UniqueRegion region = RegionFromPicture(picture.get(), kSplashKeyColour);
        ASSERT_TRUE(region);
        RECT box = {};
        int kind = ::GetRgnBox(region.get(), &box);
        EXPECT_TRUE(::EqualRect(&box, &c.box)) << box.left << "," << box.top << "," << box.right << "," << box.bottom;
        if (c.outside.empty()) {
            EXPECT_EQ(kind, SIMPLEREGION);
        }
        for (POINT p : c.inside) EXPECT_TRUE(::PtInRegion(region.get(), p.x, p.y)) << p.x << "," << p.y;
        for (POINT p : c.outside) EXPECT_FALSE(::PtInRegion(region.get(), p.x, p.y)) << p.x << "," << p.y;
    }
    // The comparison has no tolerance: one step off the key colour stays in the window.
    UniqueBitmap nearKey = Picture([](int, int) { return false; }, RGB(255, 0, 239));
    RECT box = {};
    EXPECT_EQ(::GetRgnBox(RegionFromPicture(nearKey.get(), kSplashKeyColour).get(), &box), SIMPLEREGION);
}

constexpr wchar_t kAddress[] = L"https://www.example.org/korvane";

class LinkButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
        control = ::CreateWindowExW(0, L"BUTTON", kAddress, WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 10, 10, 200, 20,
                                    parent, reinterpret_cast<HMENU>(1026), nullptr, nullptr);
        ASSERT_TRUE(button.SubclassWindow(control));
    }
    void TearDown() override { ::DestroyWindow(parent); }

    BOOL Key(UINT message, WPARAM key) {
        MSG m = {control, message, key, 0, 0, {0, 0}};
        return button.PreTranslateMessage(&m);
    }
    // Draws the button as its dialog asks it to, into a picture of kPaper, and
    // counts the pixels of `colour`; the corner must keep the paper (no fill).
    int DrawnPixels(COLORREF colour) {
        constexpr COLORREF kPaper = RGB(250, 250, 240);
        std::vector<COLORREF> pixels = ::DrawnPixels(200, 20, kPaper, [this](HDC dc) {
            DRAWITEMSTRUCT item = {ODT_BUTTON, 1026, 0, ODA_DRAWENTIRE, 0, control, dc, {0, 0, 200, 20}, 0};
            LRESULT result = 0;
            EXPECT_TRUE(
                CSubclassedControl::Reflect(control, WM_DRAWITEM, 1026, reinterpret_cast<LPARAM>(&item), result));
        });
        EXPECT_EQ(pixels.back(), kPaper);
        return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour));
    }
    // The caption is drawn in the state's colour and in none of the others'.
    void ExpectDrawnIn(COLORREF colour, std::initializer_list<COLORREF> others) {
        EXPECT_GT(DrawnPixels(colour), 20);  // the underline alone is a line of it
        for (COLORREF other : others)
            if (other != colour) {
                EXPECT_EQ(DrawnPixels(other), 0);
            }
    }
    void ClickedByParent() {
        LRESULT result = 0;
        CSubclassedControl::Reflect(control, WM_COMMAND, MAKEWPARAM(1026, BN_CLICKED),
                                    reinterpret_cast<LPARAM>(control), result);
    }

    SeamRecorder seams;
    HWND parent = nullptr;
    HWND control = nullptr;
    CURLLinkButton button;
};

TEST_F(LinkButtonTest, DrawsItselfInNormalHoverVisitedAndDisabledColours) {
    LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW);

    const COLORREF normal = ::GetSysColor(COLOR_HIGHLIGHT), hover = ::GetSysColor(COLOR_HOTLIGHT),
                   visited = RGB(128, 0, 128), disabled = ::GetSysColor(COLOR_GRAYTEXT);
    ExpectDrawnIn(normal, {hover, visited, disabled});
    ::SendMessageW(control, WM_MOUSEHOVER, 0, 0);
    ExpectDrawnIn(hover, {normal, visited, disabled});
    ::SendMessageW(control, WM_MOUSELEAVE, 0, 0);
    ExpectDrawnIn(normal, {hover, visited, disabled});

    ClickedByParent();
    ASSERT_EQ(seams.launches.size(), 1u);
    EXPECT_EQ(seams.launches[0].verb, L"open");
    EXPECT_EQ(seams.launches[0].file, kAddress);  // the caption exactly as written
    ExpectDrawnIn(visited, {normal, hover, disabled});

    ::EnableWindow(control, FALSE);
    ExpectDrawnIn(disabled, {normal, hover, visited});
    ClickedByParent();
    EXPECT_EQ(seams.launches.size(), 1u);
}

TEST_F(LinkButtonTest, EnterOpensOnceOnKeyUpAndSpaceDoesNothing) {
    struct Step {
        UINT message;
        WPARAM key;
        BOOL swallowed;
        size_t launches;
    };
    const Step steps[] = {
        {WM_KEYDOWN, VK_SPACE, TRUE, 0},  {WM_KEYUP, VK_SPACE, TRUE, 0},   {WM_KEYDOWN, VK_RETURN, TRUE, 0},
        {WM_KEYUP, VK_RETURN, TRUE, 1},   {WM_KEYUP, VK_RETURN, FALSE, 1},  // no Enter went down on the button since
        {WM_KEYDOWN, VK_RETURN, TRUE, 1}, {WM_MOUSEMOVE, 0, FALSE, 1},     {WM_KEYUP, VK_RETURN, FALSE, 1},
    };
    int index = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(index++);
        EXPECT_EQ(Key(s.message, s.key), s.swallowed);
        EXPECT_EQ(seams.launches.size(), s.launches);
    }
}

}  // namespace
