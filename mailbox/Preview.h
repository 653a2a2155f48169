#pragma once
// The preview page, step 3 of the wizard: one selected mailbox at a time as a
// folder tree and a message list. The user steps through the selected
// mailboxes, ticks the folders to save, picks a destination and starts the
// conversion of the shown mailbox or of all of them.
//
// At most one inbox listing runs at a time. It is stopped and joined before
// another starts, on every tree selection change, on Previous/Next Mailbox,
// on the Save commands and before the page's window goes, so no listing ever
// writes into a list it no longer belongs to.
#include <atomic>
#include <cstdint>

#include "framework/Afx.h"
#include "mailbox/FolderTreeCtrl1.h"
#include "mailbox/HeaderRows.h"
#include "mailbox/ImageLists.h"
#include "ui/SkinnedDialog.h"
#include "ui/TransparentStatic.h"
#include "wizard/PageFlow.h"

class CPreview : public CSkinnedDialog, public pageflow::PreviewedMailbox {
public:
    explicit CPreview(CWnd* parent = nullptr);
    ~CPreview() override;

    BOOL PreTranslateMessage(MSG* message) override;

    int CurrentNumber() const override { return m_currentNumber; }
    CFolderTreeCtrl1& FolderTree() { return m_tree; }
    bool IsListing() const { return m_listing.IsRunning(); }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}      // Enter does nothing
    void OnCancel() override {}  // Escape asks first (PreTranslateMessage); Back closes the page
    // Runs the analysis dialog for the shown mailbox.
    virtual void RunAnalysis();

    void OnPreviousMailbox();
    void OnNextMailbox();
    void OnBack();
    void OnSaveCurrentMailbox();
    void OnSaveAll();
    void OnExit();
    void OnExitCommand();
    void OnClearLog();
    void OnFolderSelected(NMHDR* header, LRESULT* result);
    void OnMessageClick(NMHDR* header, LRESULT* result);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnFirstAnalysis(WPARAM wParam, LPARAM lParam);
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    // The F1 key has asked for help already (PreTranslateMessage); the system's
    // request that follows it, or comes up from the analysis dialog, is answered
    // here so that it does not travel on to the mailbox page's help.
    LRESULT OnHelp(WPARAM, LPARAM) { return TRUE; }
    LRESULT OnListingProgress(WPARAM wParam, LPARAM lParam);
    LRESULT OnListingFinished(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    void ShowMailbox();
    void EmptyTreeAndList();
    void EnableSaving(bool enable);
    void SetCommandsEnabled(std::initializer_list<UINT> commands, bool enable);
    void ShowNumber(int number);
    bool AskToExit(const wchar_t* question);

    void StartInboxListing();
    void StopInboxListing();
    void ListInbox(CWorker& worker, const CString& path);

    bool PickDestination(CString& folder);
    void WalkTickedFolders(HTREEITEM item);
    void WalkTickedFolders();
    void RunConversion();

    CFolderTreeCtrl1 m_tree;
    CListCtrl m_list;
    // Texts that change over the skin while the page is up.
    CTransparentStatic m_sourcePathText;
    CTransparentStatic m_shownNumber;
    UniqueImageList m_listImages;
    HICON m_icon;  // shared resource icon, not destroyed
    int m_currentNumber = 1;
    int m_selectedCount = 0;
    bool m_firstPaintPending = false;
    bool m_folderSelected = false;
    bool m_anyFolderTicked = false;

    HeaderRowQueue m_listingRows;
    std::atomic<uint64_t> m_listingCount{0};
    CWorker m_listing;  // last: it ends before the members it uses go
};

// Runs the preview page modally for the mailbox page: what the program puts in
// pageflow::RunPreviewPage.
void RunPreviewPageModal(CWnd* owner);
