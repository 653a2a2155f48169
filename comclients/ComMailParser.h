#pragma once
// The mail parser component through COM: every operation is one exchange with
// a new quillon.Class1 instance (DispatchExchange.h). Only the store exchange,
// the first of every mailbox, insists on the component: when it cannot be
// created it registers Quillon.dll from the program folder and tries once
// more, and failing that tells the user and ends the process. The other
// exchanges do nothing when creation fails and answer "".
#include <windows.h>

#include <string>

#include "components/MailParserComponent.h"

namespace components {

class CComMailParser : public IMailParserComponent {
public:
    // `owner`: the window the fatal message belongs to (the conversion page);
    // `programFolder`: where Quillon.dll ships (g_programFolder).
    CComMailParser(HWND owner, std::wstring programFolder);
    // The program folder of the run: g_programFolder.
    explicit CComMailParser(HWND owner);

    std::wstring CreateStore(const std::wstring& pstPath, const std::wstring& displayName) override;
    std::wstring CreateFolder(const std::wstring& folderPath) override;
    std::wstring CreateFolderLevels(const std::vector<std::wstring>& levelPaths) override;
    std::wstring ImportMessage(const MessageImportArguments& arguments) override;

private:
    HWND m_owner;
    std::wstring m_programFolder;
};

}  // namespace components
