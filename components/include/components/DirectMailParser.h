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

    ComponentAnswer CreateStore(const std::wstring& pstPath, const std::wstring& displayName) override;
    ComponentAnswer CreateFolder(const std::wstring& folderPath) override;
    ComponentAnswer ImportMessage(const MessageImportArguments& arguments) override;

private:
    quillon::StoreRegistry& m_registry;
};

}  // namespace components
