#pragma once
// The mail parser component without COM: the same core the COM component
// runs, called in process.

#include "components/MailParserComponent.h"

namespace quillon {
class StoreRegistry;
}

namespace components {

// What a caller that can hand several messages at once (the command-line
// converter) gives per commit. The bytes bound what a batch holds in memory.
inline constexpr BatchLimits kInProcessBatches{32, 4u << 20};

class CDirectMailParser : public IMailParserComponent {
public:
    // Uses the process-wide registry, as the COM component does.
    CDirectMailParser();
    // Uses `registry` (not owned; it must outlive this object).
    explicit CDirectMailParser(quillon::StoreRegistry& registry);
    // Also takes several messages per commit, up to `batching`.
    CDirectMailParser(quillon::StoreRegistry& registry, BatchLimits batching);

    ComponentAnswer CreateStore(const std::wstring& pstPath, const std::wstring& displayName) override;
    ComponentAnswer CreateFolder(const std::wstring& folderPath) override;
    ComponentAnswer ImportMessage(const MessageImportArguments& arguments) override;
    BatchLimits Batching() const override { return m_batching; }
    ComponentAnswer ImportMessages(const std::vector<MessageImportArguments>& messages) override;

private:
    quillon::StoreRegistry& m_registry;
    BatchLimits m_batching;
};

}  // namespace components
