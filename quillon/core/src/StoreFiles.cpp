#include "quillon/core/StoreFiles.h"

#include <atomic>
#include <chrono>

#include "pst/File.h"
#include "quillon/core/FileRename.h"

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

// A name beside `path` that no other creation, in this process or another,
// is using.
std::string CreationName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return path + ".creating-" + std::to_string(static_cast<unsigned long long>(ticks)) + "-" +
           std::to_string(++counter);
}

class EngineStoreFiles : public StoreFiles {
public:
    bool Exists(const std::string& path) override { return pst::PathExists(path); }

    // The store is made under a name of its own and renamed into place once its
    // first commit and its close are done, so a process killed in the middle
    // never leaves at `path` a file that is no PST (which every later attempt
    // would have to refuse). A kill leaves at most the creation file as litter.
    pst::Result<std::unique_ptr<pst::Store>> Create(const std::string& path, const std::string& displayName) override {
        if (pst::PathExists(path))
            return pst::Status::Failure("cannot create " + path + ": something exists there already");
        const std::string creation = CreationName(path);
        {
            auto created = pst::Store::Create(creation, displayName);
            if (!created) return created.GetStatus();
            pst::Status closed = created.Value()->Close();
            if (!closed) {
                created.Value().reset();
                pst::RemoveFile(creation);
                return closed;
            }
        }
        if (!RenameWithoutReplacing(creation, path)) {
            pst::RemoveFile(creation);
            return pst::Status::Failure("cannot create " + path + ": the new store could not be put in place");
        }
        return Open(path);
    }

    pst::Result<std::unique_ptr<pst::Store>> Open(const std::string& path) override {
        return pst::Store::Open(path, ConversionStoreOptions());
    }
};

}  // namespace

std::unique_ptr<StoreFiles> MakeEngineStoreFiles() { return std::make_unique<EngineStoreFiles>(); }

}  // namespace quillon
