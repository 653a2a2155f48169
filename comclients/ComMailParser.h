#pragma once
// The mail parser component through COM: one object is one exchange with one
// quillon.Class1 instance (DispatchExchange.h), made when the object is and
// released with it; every call of the exchange goes to that instance. Only
// the store exchange, the first of every mailbox, insists on the component:
// when it cannot be created it registers Quillon.dll from the program folder
// and tries once more, and failing that tells the user and ends the process.
// The other exchanges do nothing when creation fails and answer not done.
#include <windows.h>

#include <string>

#include "comclients/DispatchExchange.h"
#include "components/MailParserComponent.h"

namespace components {

class CComMailParser : public IMailParserComponent {
public:
    // `owner`: the window the fatal message belongs to (the conversion page);
    // `programFolder`: where Quillon.dll ships (g_programFolder).
    CComMailParser(HWND owner, std::wstring programFolder);
    // The program folder of the run: g_programFolder.
    explicit CComMailParser(HWND owner);

    ComponentAnswer CreateStore(const std::wstring& pstPath, const std::wstring& displayName) override;
    ComponentAnswer CreateFolder(const std::wstring& folderPath) override;
    ComponentAnswer ImportMessage(const MessageImportArguments& arguments) override;

private:
    ComponentAnswer Call(DISPID id, const std::vector<DispatchArgument>& arguments);

    HWND m_owner;
    std::wstring m_programFolder;
    CDispatchExchange m_exchange;
};

}  // namespace components
