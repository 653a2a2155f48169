#include "components/DirectMailParser.h"

#include "quillon/core/StoreRegistry.h"
#include "quillon/core/TextConversion.h"

namespace components {

using quillon::Utf8ToWide;
using quillon::WideToUtf8;

CDirectMailParser::CDirectMailParser() : m_registry(quillon::StoreRegistry::Instance()) {}

CDirectMailParser::CDirectMailParser(quillon::StoreRegistry& registry) : m_registry(registry) {}

std::wstring CDirectMailParser::CreateStore(const std::wstring& pstPath, const std::wstring& displayName) {
    return Utf8ToWide(m_registry.CreateStore(WideToUtf8(pstPath), WideToUtf8(displayName)).text);
}

std::wstring CDirectMailParser::CreateFolder(const std::wstring& folderPath) {
    return Utf8ToWide(m_registry.CreateFolder(WideToUtf8(folderPath)).text);
}

std::wstring CDirectMailParser::ImportMessage(const MessageImportArguments& arguments) {
    quillon::MessageRequest request;
    request.folderPath = WideToUtf8(arguments.folderPath);
    request.attachmentName = WideToUtf8(arguments.attachmentName);
    request.owner = WideToUtf8(arguments.owner);
    request.emlPath = WideToUtf8(arguments.emlPath);
    request.sourceTimeText = WideToUtf8(arguments.sourceTimeText);
    request.messageText = WideToUtf8(arguments.messageText);
    return Utf8ToWide(m_registry.ImportMessage(request).text);
}

}  // namespace components
