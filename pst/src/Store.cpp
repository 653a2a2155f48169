#include "pst/Store.h"

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

// A creation killed before its first commit leaves an empty or unfinished
// file behind. It holds nothing, so it counts as no file: refusing it would
// block every later attempt at that path. Opened (and so locked) here, so
// that a creation still in progress in another process is not taken over.
Status OpenIfUnfinished(const std::string& path, std::unique_ptr<File>& file) {
    Status st = OpenExistingFile(path, file);
    if (st && !Database::IsUnfinished(*file))
        st = Status::Failure("cannot create " + path + ": something exists there already");
    if (!st) file.reset();
    return st;
}

Result<std::unique_ptr<Store>> CreateAt(const std::string& path, std::unique_ptr<File> file,
                                        const std::string& displayName, const StoreOptions& options) {
    auto created = Store::Create(std::move(file), displayName, options);
    // A store that never reached its first commit holds nothing; left behind, it
    // would only make the next attempt at this path refuse a file that is no PST.
    // The file is closed by now, and held nothing before.
    if (!created) RemoveFile(path);
    return created;
}

}  // namespace

Result<std::unique_ptr<Store>> Store::Create(const std::string& path, const std::string& displayName,
                                             const StoreOptions& options) {
    std::unique_ptr<File> file;
    if (PathExists(path)) {
        Status st = OpenIfUnfinished(path, file);
        if (!st) return st;
    } else {
        Status dirs = CreateParentDirectories(path);
        if (!dirs) return dirs;
        Status st = CreateNewFile(path, file);
        if (!st) return st;
    }
    return CreateAt(path, std::move(file), displayName, options);
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
        return CreateAt(path, std::move(unfinished), displayName, options);
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

const std::string& Store::DisplayName() const { return m_engine->DisplayName(); }

Folder Store::RootFolder() const { return Folder(m_engine.get(), kRootFolderNid); }

Folder Store::IpmSubtree() const { return Folder(m_engine.get(), m_engine->IpmSubtreeNid()); }

Folder Store::DeletedItems() const {
    return m_engine->DeletedItemsNid() ? Folder(m_engine.get(), m_engine->DeletedItemsNid()) : Folder();
}

}  // namespace pst
