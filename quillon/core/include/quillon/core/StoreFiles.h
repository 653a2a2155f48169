#pragma once
// Where the registry gets its stores: the engine's own files at real paths in
// the component; tests put in-memory files that fail at a chosen write in
// their place, the way the engine's own tests do.

#include <memory>
#include <string>

#include "pst/Status.h"
#include "pst/Store.h"

namespace quillon {

class StoreFiles {
public:
    virtual ~StoreFiles() = default;

    virtual bool Exists(const std::string& path) = 0;
    // Creates the file and its missing directories; leaves nothing behind when
    // the store cannot be completed.
    virtual pst::Result<std::unique_ptr<pst::Store>> Create(const std::string& path,
                                                            const std::string& displayName) = 0;
    // Refuses, untouched, anything that is not a store the engine can add to.
    virtual pst::Result<std::unique_ptr<pst::Store>> Open(const std::string& path) = 0;
};

std::unique_ptr<StoreFiles> MakeEngineStoreFiles();

}  // namespace quillon
