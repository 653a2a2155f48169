#include "components/DirectMailParser.h"

#include "quillon/core/StoreRegistry.h"
#include "text/Utf8.h"

namespace components {

using mailbox::FromUtf8;
using mailbox::ToUtf8;

namespace {

ComponentAnswer Answer(const quillon::CallResult& result) { return {result.ok, FromUtf8(result.text)}; }

quillon::MessageRequest Request(const MessageImportArguments& arguments) {
    quillon::MessageRequest request;
    request.folderPath = ToUtf8(arguments.folderPath);
    request.attachmentName = ToUtf8(arguments.attachmentName);
    request.owner = ToUtf8(arguments.owner);
    request.emlPath = ToUtf8(arguments.emlPath);
    request.sourceTimeText = ToUtf8(arguments.sourceTimeText);
    // The builder reads the text only when there are no file bytes.
    if (!arguments.emlPath.empty() || arguments.emlBytes.empty()) request.messageText = ToUtf8(arguments.messageText);
    request.emlBytes = arguments.emlBytes;
    return request;
}

}  // namespace

CDirectMailParser::CDirectMailParser() : m_registry(quillon::StoreRegistry::Instance()) {}

CDirectMailParser::CDirectMailParser(quillon::StoreRegistry& registry) : m_registry(registry) {}

CDirectMailParser::CDirectMailParser(quillon::StoreRegistry& registry, BatchLimits batching)
    : m_registry(registry), m_batching(batching) {}

ComponentAnswer CDirectMailParser::CreateStore(const std::wstring& pstPath, const std::wstring& displayName) {
    return Answer(m_registry.CreateStore(ToUtf8(pstPath), ToUtf8(displayName)));
}

ComponentAnswer CDirectMailParser::CreateFolder(const std::wstring& folderPath) {
    return Answer(m_registry.CreateFolder(ToUtf8(folderPath)));
}

ComponentAnswer CDirectMailParser::ImportMessage(const MessageImportArguments& arguments) {
    return Answer(m_registry.ImportMessage(Request(arguments)));
}

ComponentAnswer CDirectMailParser::ImportMessages(const std::vector<MessageImportArguments>& messages) {
    std::vector<quillon::MessageRequest> requests;
    requests.reserve(messages.size());
    for (const MessageImportArguments& arguments : messages) requests.push_back(Request(arguments));
    return Answer(m_registry.ImportMessages(requests));
}

}  // namespace components
