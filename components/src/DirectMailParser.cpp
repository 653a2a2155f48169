#include "components/DirectMailParser.h"

#include "quillon/core/StoreRegistry.h"
#include "text/Utf8.h"

namespace components {

using mailbox::FromUtf8;
using mailbox::ToUtf8;

namespace {

ComponentAnswer Answer(const quillon::CallResult& result) { return {result.ok, FromUtf8(result.text)}; }

}  // namespace

CDirectMailParser::CDirectMailParser() : m_registry(quillon::StoreRegistry::Instance()) {}

CDirectMailParser::CDirectMailParser(quillon::StoreRegistry& registry) : m_registry(registry) {}

ComponentAnswer CDirectMailParser::CreateStore(const std::wstring& pstPath, const std::wstring& displayName) {
    return Answer(m_registry.CreateStore(ToUtf8(pstPath), ToUtf8(displayName)));
}

ComponentAnswer CDirectMailParser::CreateFolder(const std::wstring& folderPath) {
    return Answer(m_registry.CreateFolder(ToUtf8(folderPath)));
}

ComponentAnswer CDirectMailParser::ImportMessage(const MessageImportArguments& arguments) {
    quillon::MessageRequest request;
    request.folderPath = ToUtf8(arguments.folderPath);
    request.attachmentName = ToUtf8(arguments.attachmentName);
    request.owner = ToUtf8(arguments.owner);
    request.emlPath = ToUtf8(arguments.emlPath);
    request.sourceTimeText = ToUtf8(arguments.sourceTimeText);
    request.messageText = ToUtf8(arguments.messageText);
    return Answer(m_registry.ImportMessage(request));
}

}  // namespace components
