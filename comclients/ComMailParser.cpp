#include "comclients/ComMailParser.h"

#include "comclients/DispatchExchange.h"
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
    : m_owner(owner), m_programFolder(std::move(programFolder)) {}

CComMailParser::CComMailParser(HWND owner) : CComMailParser(owner, g_programFolder.GetString()) {}

std::wstring CComMailParser::CreateStore(const std::wstring& pstPath, const std::wstring& displayName) {
    CDispatchExchange exchange(kProgId);
    if (!exchange.created() && RegisterServerDllFromProgramFolder(m_programFolder, L"Quillon.dll")) exchange.Create();
    if (!exchange.created()) {
        seam::ShowMessageBox(m_owner, L"Quillon.dll is not properly configured. Re-Install the software.",
                             kMessageCaption, MB_OK | MB_ICONERROR);
        seam::TerminateOwnProcess(0);
        return std::wstring();
    }
    return exchange.Call(kCreateStore, {DispatchArgument::Text(pstPath), DispatchArgument::Text(displayName)});
}

std::wstring CComMailParser::CreateFolder(const std::wstring& folderPath) { return CreateFolderLevels({folderPath}); }

std::wstring CComMailParser::CreateFolderLevels(const std::vector<std::wstring>& levelPaths) {
    CDispatchExchange exchange(kProgId);
    std::wstring result;
    for (const std::wstring& level : levelPaths) result = exchange.Call(kCreateFolder, {DispatchArgument::Text(level)});
    return result;
}

std::wstring CComMailParser::ImportMessage(const MessageImportArguments& arguments) {
    CDispatchExchange exchange(kProgId);
    return exchange.Call(kImportMessage, {
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
