#include "components/DirectMailParser.h"

#include "quillon/core/StoreRegistry.h"
#include "quillon/core/TextConversion.h"

namespace components {

using quillon::Utf8ToWide;
using quillon::WideToUtf8;

namespace {

ComponentAnswer Answer(const quillon::CallResult& result) { return {result.ok, Utf8ToWide(result.text)}; }

}  // namespace

CDirectMailParser::CDirectMailParser() : m_registry(quillon::StoreRegistry::Instance()) {}

CDirectMailParser::CDirectMailParser(quillon::StoreRegistry& registry) : m_registry(registry) {}

ComponentAnswer CDirectMailParser::CreateStore(const std::wstring& pstPath, const std::wstring& displayName) {
    return Answer(m_registry.CreateStore(WideToUtf8(pstPath), WideToUtf8(displayName)));
}

ComponentAnswer CDirectMailParser::CreateFolder(const std::wstring& folderPath) {
    return Answer(m_registry.CreateFolder(WideToUtf8(folderPath)));
}

ComponentAnswer CDirectMailParser::ImportMessage(const MessageImportArguments& arguments) {
    quillon::MessageRequest request;
    request.folderPath = WideToUtf8(arguments.folderPath);
    request.attachmentName = WideToUtf8(arguments.attachmentName);
    request.owner = WideToUtf8(arguments.owner);
    request.emlPath = WideToUtf8(arguments.emlPath);
    request.sourceTimeText = WideToUtf8(arguments.sourceTimeText);
    request.messageText = WideToUtf8(arguments.messageText);
    return Answer(m_registry.ImportMessage(request));
}

}  // namespace components
