// The preview page in process on a generated source: the analysis on first
// paint, stepping through mailboxes, the inbox listing, the message click,
// the Save commands and Back.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "mailbox/Preview.h"
#include "mailbox/PreviewRes.h"
#include "res/resource.h"
#include "tests/mailbox/PreviewFixture.h"

using previewtest::ListRows;
using previewtest::ListText;
using previewtest::PumpFor;
using previewtest::PumpUntil;
using previewtest::Wide;

namespace {

constexpr UINT kNotice = MB_OK | MB_ICONINFORMATION;

class PreviewPageTest : public previewtest::PreviewFixture {
protected:
    void TearDown() override {
        page.reset();
        PreviewFixture::TearDown();
    }

    // Opens the page as Convert does and waits for the first analysis to end.
    void Open(const std::vector<CString>& names) {
        SelectMailboxes(names);
        page = std::make_unique<CPreview>();
        ASSERT_TRUE(page->Create());
        ShowAndPaint(page->m_hWnd);
        ASSERT_TRUE(PumpUntil([this] { return Enabled(IDC_PREVIEW_BACK); }));
    }
    HWND Item(int id) const { return ::GetDlgItem(page->m_hWnd, id); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    void Click(int id) { ::SendMessageW(page->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    int Rows() const { return ListRows(Item(IDC_PREVIEW_MESSAGE_LIST)); }
    HTREEITEM Folder(const wchar_t* name) {
        CFolderTreeCtrl1& tree = page->FolderTree();
        HTREEITEM top = tree.Child(tree.Root());
        for (HTREEITEM item = tree.Child(top); item; item = tree.Sibling(item))
            if (tree.ItemText(item) == name) return item;
        return nullptr;
    }
    void Select(const wchar_t* folder) {
        page->FolderTree().SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Folder(folder)));
    }
    bool ListingDone() {
        return PumpUntil([this] { return !page->IsListing(); }) && (PumpFor(50), true);
    }

    std::unique_ptr<CPreview> page;
};

TEST_F(PreviewPageTest, FirstPaintAnalysesTheFirstMailbox) {
    Open({L"Alice", L"Bob", L"Carol"});
    CFolderTreeCtrl1& tree = page->FolderTree();
    EXPECT_EQ(tree.ItemText(tree.Root()), L"Alice");
    EXPECT_EQ(tree.ItemText(tree.Child(tree.Root())), L"Top of Information Store");
    EXPECT_TRUE(Folder(L"Junk E-mail"));

    ASSERT_EQ(Rows(), 50);
    HWND list = Item(IDC_PREVIEW_MESSAGE_LIST);
    for (int row = 0; row < 50; ++row) {
        EXPECT_EQ(ListText(list, row, 0), L"Administrator");
        EXPECT_EQ(ListText(list, row, 1), Wide(expected.subjects[static_cast<size_t>(row)])) << row;
    }
    EXPECT_EQ(g_analysisMessageCount, expected.messageCount);
    EXPECT_EQ(g_analysisMessageCountText, CString(std::to_wstring(expected.messageCount - 1)));
    EXPECT_TRUE(Enabled(IDC_PREVIEW_SAVE_ALL));
    EXPECT_TRUE(Enabled(IDC_PREVIEW_SAVE_CURRENT));
    EXPECT_EQ(WindowText(Item(IDC_PREVIEW_SHOWN_NUMBER)), L"1");
    EXPECT_EQ(WindowText(Item(IDC_PREVIEW_SELECTED_COUNT)), L"3");
    EXPECT_EQ(WindowText(Item(IDC_PREVIEW_SOURCE_PATH)), sourcePath);
    SaveSnapshot(page->m_hWnd, "preview-page");

    EXPECT_EQ(ReadWholeFile(ProgramLog()),
              "************************* Step 3 :- Searching Folder Information in EDB file "
              "***********************\r\n\r\nMailbox Name:\r\n\r\nAlice\r\nBob\r\nCarol\r\n");
}

TEST_F(PreviewPageTest, PreviousAndNextFollowThePosition) {
    struct Step {
        int click;  // 0: just opened
        const wchar_t* number;
        const wchar_t* root;
        bool previous, next;
    };
    struct Case {
        std::vector<CString> names;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {{L"Only"}, {{0, L"1", L"Only", false, false}}},
        {{L"A", L"B", L"C"},
         {{0, L"1", L"A", false, true},
          {IDC_PREVIEW_NEXT_MAILBOX, L"2", L"B", true, true},
          {IDC_PREVIEW_NEXT_MAILBOX, L"3", L"C", true, false},
          {IDC_PREVIEW_PREVIOUS_MAILBOX, L"2", L"B", true, true},
          {IDC_PREVIEW_PREVIOUS_MAILBOX, L"1", L"A", false, true}}},
    };
    for (const Case& c : cases) {
        Open(c.names);
        for (const Step& step : c.steps) {
            SCOPED_TRACE(step.number);
            if (step.click) Click(step.click);
            EXPECT_EQ(WindowText(Item(IDC_PREVIEW_SHOWN_NUMBER)), step.number);
            EXPECT_EQ(page->FolderTree().ItemText(page->FolderTree().Root()), step.root);
            EXPECT_EQ(Enabled(IDC_PREVIEW_PREVIOUS_MAILBOX), step.previous);
            EXPECT_EQ(Enabled(IDC_PREVIEW_NEXT_MAILBOX), step.next);
            EXPECT_EQ(Rows(), 50);  // the whole file is listed for every mailbox
            EXPECT_TRUE(Enabled(IDC_PREVIEW_SAVE_ALL));
        }
        page.reset();
    }
}

TEST_F(PreviewPageTest, SelectingInboxRelistsAndOtherFoldersEmpty) {
    Open({L"Alice"});
    Select(L"Drafts");
    ASSERT_TRUE(ListingDone());
    EXPECT_EQ(Rows(), 0);
    Select(L"Inbox");
    ASSERT_TRUE(ListingDone());
    EXPECT_EQ(Rows(), 50);
    EXPECT_EQ(ListText(Item(IDC_PREVIEW_MESSAGE_LIST), 7, 1), Wide(expected.subjects[7]));
}

TEST_F(PreviewPageTest, ALeftListingNeverWritesIntoTheList) {
    Open({L"Alice", L"Bob"});
    // Away from Inbox at once: the listing is stopped and joined, and nothing it found arrives later.
    Select(L"Inbox");
    Select(L"Notes");
    EXPECT_FALSE(page->IsListing());
    PumpFor(300);
    EXPECT_EQ(Rows(), 0);

    Select(L"Inbox");
    Click(IDC_PREVIEW_NEXT_MAILBOX);
    EXPECT_FALSE(page->IsListing());
    EXPECT_EQ(Rows(), 50);  // the new mailbox's analysis only

    Select(L"Inbox");
    seams.boxAnswers = {IDYES};
    Click(IDC_PREVIEW_BACK);
    EXPECT_FALSE(page->IsListing());
    EXPECT_TRUE(page->IsModalLoopEnded());
}

TEST_F(PreviewPageTest, MessageClickOverwritesOnlyAnExistingPreviewFile) {
    Open({L"Alice"});
    std::wstring previewFile = programFolder.file(L"~MO.html");
    HWND list = Item(IDC_PREVIEW_MESSAGE_LIST);
    auto clickRow = [&](int row) {
        ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, row);
        NMITEMACTIVATE click = {};
        click.hdr = {list, IDC_PREVIEW_MESSAGE_LIST, static_cast<UINT>(NM_CLICK)};
        click.iItem = row;
        ::SendMessageW(page->m_hWnd, WM_NOTIFY, IDC_PREVIEW_MESSAGE_LIST, reinterpret_cast<LPARAM>(&click));
    };

    clickRow(3);
    EXPECT_EQ(::GetFileAttributesW(previewFile.c_str()), INVALID_FILE_ATTRIBUTES);

    WriteWholeFile(previewFile, std::string(4000, 'o'));
    ::SetFileAttributesW(previewFile.c_str(), FILE_ATTRIBUTE_READONLY);
    clickRow(3);
    std::wstring subject = ListText(list, 3, 1);
    ASSERT_FALSE(subject.empty());
    std::string bytes = ReadWholeFile(previewFile);
    EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(subject.data()), subject.size() * sizeof(wchar_t)));
}

TEST_F(PreviewPageTest, SaveCommandsCheckTheDestinationAndTheTicks) {
    Open({L"Alice", L"Bob"});
    TempFolder destination;

    // Cancel, then a pick that is no folder: nothing runs.
    WriteWholeFile(destination.file(L"not a folder"), "x");
    seams.foldersToPick = {L"", destination.file(L"not a folder")};
    Click(IDC_PREVIEW_SAVE_CURRENT);
    Click(IDC_PREVIEW_SAVE_CURRENT);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"Saving path doesn't exist, select another path for saving");
    EXPECT_EQ(seams.boxes[0].flags, kNotice);
    EXPECT_EQ(seams.folderBrowserTitles[0], L"Select the Destination Path");

    seams.foldersToPick = {destination.path()};
    Click(IDC_PREVIEW_SAVE_CURRENT);
    ASSERT_EQ(seams.boxes.size(), 2u);
    EXPECT_EQ(seams.boxes[1].text, L"Select any folder for saving");
    EXPECT_EQ(conversions, 0);

    page->FolderTree().ToggleTick(Folder(L"Inbox"));
    seams.foldersToPick = {destination.path()};
    Click(IDC_PREVIEW_SAVE_CURRENT);
    EXPECT_EQ(conversions, 1);
    EXPECT_EQ(g_tickedFolders, std::vector<CString>{L"Alice\\Top of Information Store\\Inbox\\"});
    EXPECT_EQ(g_savingCurrentMailbox, 1);
    std::wstring runFolder = g_runFolder.str();
    std::wstring prefix = destination.path() + L"\\Korvane_Converted-EDB-PST-";
    EXPECT_EQ(runFolder.compare(0, prefix.size(), prefix), 0) << runFolder;
    EXPECT_EQ(runFolder.back(), L'\\');
    EXPECT_TRUE(page->IsWindowVisible());

    // Save All keeps the destination as chosen and runs the conversion once.
    seams.foldersToPick = {destination.path()};
    Click(IDC_PREVIEW_SAVE_ALL);
    EXPECT_EQ(conversions, 2);
    EXPECT_EQ(g_destinationFolder, CString(destination.path() + L"\\"));
    EXPECT_EQ(g_savingCurrentMailbox, 0);
    EXPECT_EQ(g_saveCurrentPending, 0);
}

// With Select All on the mailbox page, Save All saves every selected mailbox's
// standard folders whether or not a folder is ticked. Each Save walks the tree
// afresh: a folder ticked for an earlier Save is neither listed twice nor
// counted for a later one.
TEST_F(PreviewPageTest, SaveAllAfterSelectAllRunsUntickedAndEveryWalkStartsAfresh) {
    Open({L"Alice", L"Bob"});
    TempFolder destination;
    g_selectAll = 1;
    seams.foldersToPick = {destination.path()};
    Click(IDC_PREVIEW_SAVE_ALL);
    EXPECT_EQ(conversions, 1);
    EXPECT_TRUE(seams.boxes.empty());

    page->FolderTree().ToggleTick(Folder(L"Inbox"));
    seams.foldersToPick = {destination.path(), destination.path()};
    Click(IDC_PREVIEW_SAVE_ALL);
    Click(IDC_PREVIEW_SAVE_ALL);
    EXPECT_EQ(conversions, 3);
    EXPECT_EQ(g_tickedFolders, std::vector<CString>{L"Alice\\Top of Information Store\\Inbox\\"});

    page->FolderTree().ToggleTick(Folder(L"Inbox"));
    seams.foldersToPick = {destination.path()};
    Click(IDC_PREVIEW_SAVE_CURRENT);
    EXPECT_EQ(conversions, 3);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"Select any folder for saving");
}

TEST_F(PreviewPageTest, BackAsksThenLeavesNothingThatStopsTheNextAnalysis) {
    Open({L"Alice", L"Bob"});
    seams.boxAnswers = {IDNO};
    Click(IDC_PREVIEW_BACK);
    EXPECT_FALSE(page->IsModalLoopEnded());
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"  Do you want to go back ?");
    EXPECT_EQ(seams.boxes[0].owner, nullptr);
    EXPECT_EQ(seams.boxes[0].flags, kSystemModalQuestion);

    seams.boxAnswers = {IDYES};
    Click(IDC_PREVIEW_BACK);
    EXPECT_TRUE(page->IsModalLoopEnded());
    EXPECT_EQ(page->GetEndResult(), IDCANCEL);
    EXPECT_TRUE(g_selectedMailboxes.IsEmpty());
    EXPECT_TRUE(g_selectedCountText.IsEmpty());
    EXPECT_EQ(g_returnedFromPreview, 1);
    page.reset();

    // Convert again: the new page's analysis finishes and saving is possible.
    Open({L"Carol"});
    EXPECT_EQ(Rows(), 50);
    EXPECT_TRUE(Enabled(IDC_PREVIEW_SAVE_CURRENT));
}

}  // namespace
