#include "quillon/core/StoreFiles.h"

#include "pst/File.h"

namespace quillon {
namespace {

class EngineStoreFiles : public StoreFiles {
 public:
  bool Exists(const std::string& path) override { return pst::PathExists(path); }
  pst::Result<std::unique_ptr<pst::Store>> Create(const std::string& path, const std::string& displayName) override {
    return pst::Store::Create(path, displayName);
  }
  pst::Result<std::unique_ptr<pst::Store>> Open(const std::string& path) override { return pst::Store::Open(path); }
};

}  // namespace

std::unique_ptr<StoreFiles> MakeEngineStoreFiles() { return std::make_unique<EngineStoreFiles>(); }

}  // namespace quillon
