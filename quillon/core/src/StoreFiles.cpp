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

// Makes an empty store on `file` and closes it, so that it is complete before
// it gets its name.
pst::Status WriteEmptyStore(std::unique_ptr<pst::File> file, const std::string& displayName) {
    auto created = pst::Store::Create(std::move(file), displayName);
    if (!created) return created.GetStatus();
    return created.Value()->Close();
}

class EngineStoreFiles : public StoreFiles {
public:
    bool Exists(const std::string& path) override { return pst::PathExists(path); }

    // The store is complete and closed before it gets its name, so a process
    // killed in the middle never leaves at `path` a file that is no PST (which
    // every later attempt would have to refuse).
    pst::Result<std::unique_ptr<pst::Store>> Create(const std::string& path, const std::string& displayName) override {
        if (pst::PathExists(path)) return NameTaken(path);
        pst::Status dirs = pst::CreateParentDirectories(path);
        if (!dirs) return dirs;
        bool unsupported = false;
        pst::Status made = CreateProvisionally(path, displayName, unsupported);
        if (!made && unsupported) {
            if (pst::PathExists(path)) return NameTaken(path);
            made = CreateAndRename(path, displayName);
        }
        if (!made) return made;
        return Open(path);
    }

    pst::Result<std::unique_ptr<pst::Store>> Open(const std::string& path) override {
        return pst::Store::Open(path, ConversionStoreOptions());
    }

private:
    static pst::Status NameTaken(const std::string& path) {
        return pst::Status::Failure("cannot create " + path + ": something exists there already");
    }

    // Made as a provisional file, which the system removes if the process ends
    // before it is published: a kill leaves nothing in the user's folder.
    // `unsupported`: the volume offers no such file, or cannot add its name.
    static pst::Status CreateProvisionally(const std::string& path, const std::string& displayName,
                                           bool& unsupported) {
        std::unique_ptr<pst::ProvisionalFile> provisional;
        pst::Status st = pst::CreateProvisionalFile(CreationName(path), provisional);
        if (!st) {
            unsupported = true;
            return st;
        }
        std::unique_ptr<pst::File> file;
        st = provisional->OpenForWriting(file);
        if (st) st = WriteEmptyStore(std::move(file), displayName);
        if (!st) return st;
        st = provisional->Publish(path);
        unsupported = !st;
        return st;
    }

    // Where there are no provisional files (FAT volumes, some shares): made
    // under the creation name and renamed into place. A kill before the
    // rename leaves the creation file as litter beside the stores.
    static pst::Status CreateAndRename(const std::string& path, const std::string& displayName) {
        const std::string creation = CreationName(path);
        std::unique_ptr<pst::File> file;
        pst::Status st = pst::CreateNewFile(creation, file);
        if (!st) return st;
        st = WriteEmptyStore(std::move(file), displayName);
        if (st && !RenameWithoutReplacing(creation, path))
            st = pst::Status::Failure("cannot create " + path + ": the new store could not be put in place");
        if (!st) pst::RemoveFile(creation);
        return st;
    }
};

}  // namespace

std::unique_ptr<StoreFiles> MakeEngineStoreFiles() { return std::make_unique<EngineStoreFiles>(); }

}  // namespace quillon
