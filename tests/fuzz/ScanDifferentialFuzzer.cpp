// The fast scanners against the plain per-position reference on fuzzed bytes.
// The first two bytes place the rest: just before a block end (so it crosses
// one) and, when asked, a second time across the end of a 1 MiB read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../scan/Differential.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t shift = data[0] % 64;
    const bool acrossRead = (data[1] & 7) == 1;  // rarely: it costs a 1 MiB image
    std::string body(reinterpret_cast<const char*>(data + 2), size - 2);
    std::string image(4096 - shift, '\0');
    image += body;
    if (acrossRead) {
        image.resize((1u << 20) + 4096 - shift, '\0');
        image += body;
    }
    std::string difference = scantest::CompareWithReference(image);
    if (!difference.empty()) {
        std::fprintf(stderr, "%s\n", difference.c_str());
        std::abort();
    }
    return 0;
}
