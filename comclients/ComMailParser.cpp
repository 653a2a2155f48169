#include "comclients/ComMailParser.h"

#include "comclients/ServerDllRegistration.h"
#include "framework/Seams.h"
#include "wizard/WizardGlobals.h"

namespace components {

namespace {

constexpr const wchar_t* kProgId = L"quillon.Class1";
constexpr DISPID kCreateStore = 0x60030001;
constexpr DISPID kCreateFolder = 0x60030002;
constexpr DISPID kImportMessage = 0x60030003;

}  // namespace

CComMailParser::CComMailParser(HWND owner, std::wstring programFolder)
    : m_owner(owner), m_programFolder(std::move(programFolder)), m_exchange(kProgId) {}

CComMailParser::CComMailParser(HWND owner) : CComMailParser(owner, g_programFolder.GetString()) {}

ComponentAnswer CComMailParser::Call(DISPID id, const std::vector<DispatchArgument>& arguments) {
    if (!m_exchange.created()) return {};
    // The result text is all that crosses COM; the component begins it with
    // "OK" exactly when the call was done.
    std::wstring text = m_exchange.Call(id, arguments);
    const bool ok = text.compare(0, 2, L"OK") == 0;
    return {ok, std::move(text)};
}

ComponentAnswer CComMailParser::CreateStore(const std::wstring& pstPath, const std::wstring& displayName) {
    if (!m_exchange.created() && RegisterServerDllFromProgramFolder(m_programFolder, L"Quillon.dll"))
        m_exchange.Create();
    if (!m_exchange.created()) {
        seam::ShowMessageBox(m_owner, L"Quillon.dll is not properly configured. Re-Install the software.",
                             kMessageCaption, MB_OK | MB_ICONERROR);
        seam::TerminateOwnProcess(0);
        return {};
    }
    return Call(kCreateStore, {DispatchArgument::Text(pstPath), DispatchArgument::Text(displayName)});
}

ComponentAnswer CComMailParser::CreateFolder(const std::wstring& folderPath) {
    return Call(kCreateFolder, {DispatchArgument::Text(folderPath)});
}

ComponentAnswer CComMailParser::ImportMessage(const MessageImportArguments& arguments) {
    return Call(kImportMessage, {
                                    DispatchArgument::Text(arguments.folderPath),
                                    DispatchArgument::Text(arguments.attachmentName),
                                    DispatchArgument::Text(arguments.owner),
                                    DispatchArgument::Text(arguments.emlPath),
                                    DispatchArgument::Text(arguments.sourceTimeText),
                                    DispatchArgument::NullText(),
                                    DispatchArgument::Text(arguments.messageText),
                                    DispatchArgument::Short(1),
                                    DispatchArgument::NullText(),
                                    DispatchArgument::NullText(),
                                });
}

}  // namespace components
