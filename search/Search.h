#pragma once
// The search page: the wizard's second way into its first step. The user picks
// a directory, the page searches it (and, if asked, every folder below it) for
// Exchange database files on the user-interface thread, lists what it finds,
// and Next opens the mailbox page on the chosen file.
//
// The search is one synchronous call; the page stays live because its progress
// routine dispatches the waiting messages after every notification, which is
// also how a click on "Stop" reaches the running search.
#include "framework/Afx.h"
#include "paths/FileFinder.h"
#include "ui/Label.h"
#include "ui/SkinnedDialog.h"
#include "ui/TransparentStatic.h"

class CSearch : public CSkinnedDialog {
public:
    explicit CSearch(CWnd* parent = nullptr);

    BOOL PreTranslateMessage(MSG* message) override;

protected:
    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;

    void OnBrowse();
    void OnFindNow();
    void OnNext();
    void OnBack();
    void OnExit();
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnHelp(WPARAM wParam, LPARAM lParam);
    void OnListClick(NMHDR* header, LRESULT* result);
    void OnListItemChanged(NMHDR* header, LRESULT* result);

    DECLARE_MESSAGE_MAP()

private:
    static void OnSearchProgress(search::CFileFinder& finder, search::CFileFinder::Notification code, void* page);
    void Progress(search::CFileFinder::Notification code);
    void AddRow(search::CPath path);
    void ShowCount(int count, const CString& text);
    void FollowSelection();
    void SetSelectDirectoryEnabled(bool enabled);
    void EnableSearchControls(bool enabled);

    CListCtrl m_results;
    CButton m_browseButton;
    CButton m_subdirectoriesCheck;
    CButton m_findNowButton;
    CButton m_nextButton;
    CButton m_backButton;
    CEdit m_directoryEdit;
    CTransparentStatic m_counter;
    CLabel m_pathLabel;

    CString m_searchDirectory;
    int m_searchSubdirectories = 1;
    bool m_running = false;
    search::CFileFinder m_finder;
};

// Runs the page modally for its owner, as the page flow does.
void RunSearchPageModal(CWnd* owner);
