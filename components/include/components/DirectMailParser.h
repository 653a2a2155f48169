#pragma once
// The mail parser component without COM: the same core the COM component
// runs, called in process.

#include "components/MailParserComponent.h"

namespace quillon {
class StoreRegistry;
}

namespace components {

class CDirectMailParser : public IMailParserComponent {
public:
    // Uses the process-wide registry, as the COM component does.
    CDirectMailParser();
    // Uses `registry` (not owned; it must outlive this object).
    explicit CDirectMailParser(quillon::StoreRegistry& registry);

    std::wstring CreateStore(const std::wstring& pstPath, const std::wstring& displayName) override;
    std::wstring CreateFolder(const std::wstring& folderPath) override;
    std::wstring ImportMessage(const MessageImportArguments& arguments) override;

private:
    quillon::StoreRegistry& m_registry;
};

}  // namespace components
