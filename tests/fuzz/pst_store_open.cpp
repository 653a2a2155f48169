// Store::Open over arbitrary bytes, then a walk of every folder and message,
// then one folder and one message appended and the walk repeated. Whatever
// the bytes, each step ends with a result or a clear failure: no crash, no
// read out of bounds, no endless loop. (This build ignores checksums, so that
// mutations reach the structure checks behind them.)
//
// Seeds are stores written by the engine with their trailing zeros cut off,
// which keeps them small; the file is padded with zeros again up to the size
// its header states, when that size is plausible.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "../pst/StoreWalk.h"
#include "../pst/TestFiles.h"

namespace {

constexpr uint64_t kMaxPaddedSize = 4u << 20;

uint64_t StatedSize(const uint8_t* data, size_t size) {
    if (size < 192) return 0;
    uint64_t eof = 0;
    for (int i = 7; i >= 0; --i) eof = (eof << 8) | data[184 + i];
    return eof;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto file = std::make_shared<pst_test::Bytes>(data, data + size);
    uint64_t stated = StatedSize(data, size);
    if (stated > size && stated <= kMaxPaddedSize) file->resize(static_cast<size_t>(stated), 0);
    std::string text;
    if (!pst_test::OpenAndWalk(pst_test::InMemory(file), text)) return 0;
    {
        auto store = pst::Store::Open(pst_test::InMemory(file));
        if (!store) return 0;
        auto folder = store.Value()->IpmSubtree().FindOrCreateSubfolder("Fuzz");
        if (folder && folder->IsValid()) folder->AddMessage(pst_test::SampleMessage(1, 9000, 9000));
    }
    pst_test::OpenAndWalk(pst_test::InMemory(file), text);
    return 0;
}
