// The folder tree control on a tree view of its own: finding and making items
// by path, paths of any length, ticks and their propagation, bold, icons.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mailbox/FolderTreeCtrl1.h"
#include "tests/common/StandardFolders.h"
#include "tests/support/PageTestSupport.h"

namespace {

constexpr int kTreeId = 1039;

class FolderTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 400, nullptr, nullptr, nullptr, nullptr);
        HWND view = ::CreateWindowExW(0, WC_TREEVIEWW, L"",
                                      WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                          TVS_SHOWSELALWAYS | TVS_CHECKBOXES,
                                      0, 0, 300, 400, parent, reinterpret_cast<HMENU>(kTreeId), nullptr, nullptr);
        ASSERT_TRUE(view);
        tree.SubclassDlgItem(kTreeId, parent);
    }
    void TearDown() override { ::DestroyWindow(parent); }

    HTREEITEM AddStandardTree(const CString& root) {
        HTREEITEM last = nullptr;
        for (const std::string& folder : standard_folders::Top())
            last = tree.AddItems({root, L"Top of Information Store", std::wstring(folder.begin(), folder.end())});
        return tree.Parent(last);
    }
    std::vector<std::wstring> Children(HTREEITEM item) {
        std::vector<std::wstring> texts;
        for (HTREEITEM child = item ? tree.Child(item) : tree.Root(); child; child = tree.Sibling(child))
            texts.push_back(tree.ItemText(child).str());
        return texts;
    }
    HTREEITEM ChildNamed(HTREEITEM item, const wchar_t* text) {
        for (HTREEITEM child = tree.Child(item); child; child = tree.Sibling(child))
            if (tree.ItemText(child) == text) return child;
        return nullptr;
    }

    // The rectangle of the item's text, in the tree's client coordinates.
    RECT TextRect(HTREEITEM item) {
        RECT rect = {};
        std::memcpy(&rect, &item, sizeof(item));  // the message takes the item in the rectangle
        tree.SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
        return rect;
    }
    // The release is queued first: the tree view waits for it to tell a click from a drag.
    void Press(int x, int y) {
        tree.PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        tree.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }

    HWND parent = nullptr;
    CFolderTreeCtrl1 tree;
};

TEST_F(FolderTreeTest, PathsFindOrMakeOneChainOfItems) {
    HTREEITEM first = tree.AddPath(L"Box\\Top of Information Store\\Inbox\\");
    EXPECT_EQ(tree.AddPath(L"Box\\Top of Information Store\\Inbox\\"), first);
    tree.AddPath(L"Box\\Top of Information Store\\inbox\\");
    EXPECT_EQ(tree.AddPath(L"no backslash at all"), nullptr);
    tree.AddPath(L"Box\\ignored after the last backslash");

    EXPECT_EQ(Children(nullptr), std::vector<std::wstring>{L"Box"});
    HTREEITEM top = tree.Child(tree.Root());
    EXPECT_EQ(Children(top), (std::vector<std::wstring>{L"Inbox", L"inbox"}));
    EXPECT_EQ(tree.ItemPath(first), L"Box\\Top of Information Store\\Inbox\\");
}

TEST_F(FolderTreeTest, LongTextsAndBackslashesInNamesKeepWholePaths) {
    // A mailbox name comes from the database: any length, any character.
    CString longName(std::wstring(1500, L'm'));
    CString slashed = L"Sales\\East";
    HTREEITEM inLong = tree.AddItems({longName, L"Top of Information Store", L"Inbox"});
    HTREEITEM inSlashed = tree.AddItems({slashed, L"Top of Information Store", L"Inbox"});

    EXPECT_EQ(tree.ItemPath(inLong), longName + L"\\Top of Information Store\\Inbox\\");
    EXPECT_EQ(Children(nullptr), (std::vector<std::wstring>{longName.str(), L"Sales\\East"}));
    EXPECT_EQ(tree.ItemText(tree.Parent(tree.Parent(inSlashed))), slashed);
}

TEST_F(FolderTreeTest, TicksSpreadDownAndAncestorsFollow) {
    HTREEITEM top = AddStandardTree(L"Box");
    HTREEITEM root = tree.Root();
    ASSERT_EQ(Children(top).size(), 11u);
    EXPECT_FALSE(tree.IsTicked(root));
    EXPECT_FALSE(tree.IsBold(root));

    tree.ToggleTick(top);
    for (HTREEITEM folder = tree.Child(top); folder; folder = tree.Sibling(folder)) {
        EXPECT_EQ(tree.StateImage(folder), CFolderTreeCtrl1::kTicked);
        EXPECT_TRUE(tree.IsBold(folder));
    }
    EXPECT_TRUE(tree.IsTicked(root));
    EXPECT_TRUE(tree.IsBold(root));

    // One folder unticked: everything above is unticked, yet bold for the rest.
    HTREEITEM drafts = ChildNamed(top, L"Drafts");
    tree.ToggleTick(drafts);
    EXPECT_FALSE(tree.IsTicked(drafts));
    EXPECT_FALSE(tree.IsBold(drafts));
    EXPECT_FALSE(tree.IsTicked(top));
    EXPECT_FALSE(tree.IsTicked(root));
    EXPECT_TRUE(tree.IsBold(top));
    EXPECT_TRUE(tree.IsBold(root));

    // Ticking the last unticked child ticks its parent and makes it bold.
    tree.ToggleTick(drafts);
    EXPECT_TRUE(tree.IsTicked(top));
    EXPECT_TRUE(tree.IsBold(top));

    tree.ToggleTick(top);
    EXPECT_FALSE(tree.IsBold(root));
    EXPECT_FALSE(tree.IsTicked(root));
}

TEST_F(FolderTreeTest, APressOnTheCheckBoxTogglesOnce) {
    HTREEITEM top = AddStandardTree(L"Box");
    HTREEITEM inbox = ChildNamed(top, L"Inbox");
    ::ShowWindow(parent, SW_SHOWNOACTIVATE);
    ::UpdateWindow(parent);
    RECT text = TextRect(inbox);
    ASSERT_GT(text.left, 0);
    int y = (text.top + text.bottom) / 2;
    int boxX = -1;
    for (int x = 0; x < text.left && boxX < 0; ++x) {
        TVHITTESTINFO hit = {{x, y}, 0, nullptr};
        tree.SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.hItem == inbox && (hit.flags & TVHT_ONITEMSTATEICON)) boxX = x;
    }
    ASSERT_GE(boxX, 0) << "no check box found left of the item";

    Press(boxX + 2, y);
    EXPECT_TRUE(tree.IsTicked(inbox));
    EXPECT_TRUE(tree.IsBold(top));
    EXPECT_EQ(tree.Selected(), inbox);

    // A press on the text selects without ticking.
    HTREEITEM notes = ChildNamed(top, L"Notes");
    RECT noteText = TextRect(notes);
    Press(noteText.left + 3, (noteText.top + noteText.bottom) / 2);
    EXPECT_FALSE(tree.IsTicked(notes));
    EXPECT_EQ(tree.Selected(), notes);
}

TEST_F(FolderTreeTest, IconsFollowTheUpperCaseFolderName) {
    struct Case {
        const wchar_t* text;
        int image;
    };
    const Case cases[] = {
        {L"Calendar", 3},
        {L"contacts", 4},
        {L"Deleted Items", 5},
        {L"Drafts", 6},
        {L"inbox", 7},
        {L"Journal", 8},
        {L"Junk E-mails", 9},
        {L"Junk E-mail", 17},
        {L"NOTES", 10},
        {L"Outbox", 11},
        {L"Sent Items", 12},
        {L"Tasks", 13},
        {L"Sync Issues", 14},
        {L"Top of Information Store", 17},
        {L"", 17},
    };
    for (const Case& c : cases) {
        HTREEITEM item = tree.AddItems({L"Box", c.text});
        EXPECT_EQ(tree.Image(item), c.image) << c.text;
    }
    EXPECT_EQ(tree.Image(tree.Root()), 17);

    // Each kind the names pick out has a picture of its own, and the plain folder another.
    tree.SetUpImages();
    auto images = reinterpret_cast<HIMAGELIST>(tree.SendMessage(TVM_GETIMAGELIST, TVSIL_NORMAL));
    ASSERT_TRUE(images);
    auto pixels = [&](int index) {
        return DrawnPixels(16, 16, RGB(255, 255, 255),
                           [&](HDC dc) { ::ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL); });
    };
    const int kinds[] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 17};
    for (size_t a = 0; a < std::size(kinds); ++a)
        for (size_t b = a + 1; b < std::size(kinds); ++b)
            EXPECT_NE(pixels(kinds[a]), pixels(kinds[b])) << "images " << kinds[a] << " and " << kinds[b];
}

}  // namespace
