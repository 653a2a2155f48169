#include "quillon/core/StoreFiles.h"

#include <chrono>

#include "pst/File.h"

namespace quillon {
namespace {

// A killed process loses nothing the engine committed whatever this says; it
// bounds what a power cut can cost a conversion (see pst/src/ndb/Database.h
// for the figures behind the choice).
pst::StoreOptions ConversionStoreOptions() {
    pst::StoreOptions options;
    options.flushInterval = std::chrono::seconds(5);
    return options;
}

class EngineStoreFiles : public StoreFiles {
public:
    bool Exists(const std::string& path) override { return pst::PathExists(path); }

    // The engine makes the store complete before it gets its name, so a
    // process killed in the middle leaves nothing at `path`.
    pst::Result<std::unique_ptr<pst::Store>> Create(const std::string& path, const std::string& displayName) override {
        if (pst::PathExists(path)) return NameTaken(path);
        return pst::Store::Create(path, displayName, ConversionStoreOptions());
    }

    pst::Result<std::unique_ptr<pst::Store>> Open(const std::string& path) override {
        return pst::Store::Open(path, ConversionStoreOptions());
    }

private:
    static pst::Status NameTaken(const std::string& path) {
        return pst::Status::Failure("cannot create " + path + ": something exists there already");
    }
};

}  // namespace

std::unique_ptr<StoreFiles> MakeEngineStoreFiles() { return std::make_unique<EngineStoreFiles>(); }

}  // namespace quillon
