#include "pst/Store.h"

#include <atomic>
#include <chrono>

#include "messaging/StoreEngine.h"

namespace pst {

Store::Store(std::unique_ptr<StoreEngine> engine) : m_engine(std::move(engine)) {}

Store::~Store() = default;

Result<std::unique_ptr<Store>> Store::Create(std::unique_ptr<File> file, const std::string& displayName,
                                             const StoreOptions& options) {
    try {
        return std::unique_ptr<Store>(new Store(StoreEngine::Create(std::move(file), displayName, options)));
    } catch (const std::exception& e) {
        return Status::Failure(std::string("creating the store failed: ") + e.what());
    }
}

namespace {

// A creation killed before its first commit, by a writer that made the file
// at its final name, left an empty or unfinished file behind. It holds
// nothing, so it counts as no file: refusing it would block every later
// attempt at that path. Opened (and so locked) here, so that a creation still
// in progress in another process is not taken over.
Status OpenIfUnfinished(const std::string& path, std::unique_ptr<File>& file) {
    Status st = OpenExistingFile(path, file);
    if (st && !Database::IsUnfinished(*file))
        st = Status::Failure("cannot create " + path + ": something exists there already");
    if (!st) file.reset();
    return st;
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
Status WriteEmptyStore(std::unique_ptr<File> file, const std::string& displayName) {
    auto created = Store::Create(std::move(file), displayName);
    if (!created) return created.GetStatus();
    return created.Value()->Close();
}

// Made as a provisional file, which the system removes if the process ends
// before it is published: a kill leaves nothing in the user's folder.
// `unsupported`: the volume offers no such file, or cannot add its name.
Status CreateProvisionally(const std::string& path, const std::string& displayName, bool& unsupported) {
    std::unique_ptr<ProvisionalFile> provisional;
    Status st = CreateProvisionalFile(CreationName(path), provisional);
    if (!st) {
        unsupported = true;
        return st;
    }
    std::unique_ptr<File> file;
    st = provisional->OpenForWriting(file);
    if (st) st = WriteEmptyStore(std::move(file), displayName);
    if (!st) return st;
    st = provisional->Publish(path);
    unsupported = !st;
    return st;
}

// Where there are no provisional files (FAT volumes, some shares): made under
// the creation name and renamed into place. A kill before the rename leaves
// the creation file as litter beside the stores, never a file at `path`.
Status CreateAndRename(const std::string& path, const std::string& displayName) {
    const std::string creation = CreationName(path);
    std::unique_ptr<File> file;
    Status st = CreateNewFile(creation, file);
    if (!st) return st;
    st = WriteEmptyStore(std::move(file), displayName);
    if (st) st = RenameWithoutReplacing(creation, path);
    if (!st) RemoveFile(creation);
    return st;
}

}  // namespace

Result<std::unique_ptr<Store>> Store::Create(const std::string& path, const std::string& displayName,
                                             const StoreOptions& options) {
    if (PathExists(path)) {
        std::unique_ptr<File> unfinished;
        Status st = OpenIfUnfinished(path, unfinished);
        if (!st) return st;
        unfinished.reset();
        st = RemoveFile(path);
        if (!st) return st;
    } else {
        Status dirs = CreateParentDirectories(path);
        if (!dirs) return dirs;
    }
    // The store is complete and closed before it gets its name, so a process
    // killed in the middle never leaves at `path` a file that is no PST.
    bool unsupported = false;
    Status made = CreateProvisionally(path, displayName, unsupported);
    if (!made && unsupported) {
        if (PathExists(path)) return Status::Failure("cannot create " + path + ": something exists there already");
        made = CreateAndRename(path, displayName);
    }
    if (!made) return made;
    return Open(path, options);
}

Result<std::unique_ptr<Store>> Store::Open(std::unique_ptr<File> file, const StoreOptions& options) {
    try {
        return std::unique_ptr<Store>(new Store(StoreEngine::Open(std::move(file), options)));
    } catch (const std::exception& e) {
        return Status::Failure(std::string("opening the store failed: ") + e.what());
    }
}

Result<std::unique_ptr<Store>> Store::Open(const std::string& path, const StoreOptions& options) {
    std::unique_ptr<File> file;
    Status st = OpenExistingFile(path, file);
    if (!st) return st;
    auto result = Open(std::move(file), options);
    if (!result) return Status::Failure(result.Message() + " (" + path + ")");
    return result;
}

Result<std::unique_ptr<Store>> Store::OpenOrCreate(const std::string& path, const std::string& displayName,
                                                   const StoreOptions& options) {
    if (PathExists(path)) {
        std::unique_ptr<File> unfinished;
        if (!OpenIfUnfinished(path, unfinished)) return Open(path, options);
    }
    return Create(path, displayName, options);
}

Status Store::Close() {
    auto r = m_engine->Run<bool>(true, [&] {
        m_engine->Close();
        return true;
    });
    return r.GetStatus();
}

WriteCounts Store::BytesWritten() const { return m_engine->BytesWritten(); }

const std::string& Store::DisplayName() const { return m_engine->DisplayName(); }

Folder Store::RootFolder() const { return Folder(m_engine.get(), kRootFolderNid); }

Folder Store::IpmSubtree() const { return Folder(m_engine.get(), m_engine->IpmSubtreeNid()); }

Folder Store::DeletedItems() const {
    return m_engine->DeletedItemsNid() ? Folder(m_engine.get(), m_engine->DeletedItemsNid()) : Folder();
}

}  // namespace pst
