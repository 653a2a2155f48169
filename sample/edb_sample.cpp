// Writes a synthetic source database and the JSON that `edb2pst list --json`
// must print for it.
//   edb_sample OUT.edb EXPECTED.json [--seed N] [--messages N] [--size BYTES]
//              [--rule-cases] [--sparse-tail OFFSET SIZE] [--source-text TEXT]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "sample/SampleSource.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: edb_sample OUT.edb EXPECTED.json [--seed N] [--messages N] [--size BYTES]\n"
                     "                  [--rule-cases] [--sparse-tail OFFSET SIZE] [--source-text TEXT]\n");
        return 2;
    }
    sample::SampleOptions options;
    std::string sourceText = argv[1];
    for (int i = 3; i < argc; ++i) {
        auto number = [&](int at) { return at < argc ? std::strtoull(argv[at], nullptr, 10) : 0ull; };
        if (!std::strcmp(argv[i], "--seed"))
            options.seed = number(++i);
        else if (!std::strcmp(argv[i], "--messages"))
            options.messages = static_cast<int>(number(++i));
        else if (!std::strcmp(argv[i], "--size"))
            options.minimumSize = number(++i);
        else if (!std::strcmp(argv[i], "--rule-cases"))
            options.ruleCases = true;
        else if (!std::strcmp(argv[i], "--sparse-tail")) {
            options.sparseTailAt = number(++i);
            options.sparseSize = number(++i);
        } else if (!std::strcmp(argv[i], "--source-text") && i + 1 < argc)
            sourceText = argv[++i];
        else {
            std::fprintf(stderr, "edb_sample: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    sample::Expectation expected;
    std::string error;
    if (!sample::WriteSample(argv[1], options, expected, error)) {
        std::fprintf(stderr, "edb_sample: %s\n", error.c_str());
        return 1;
    }
    std::ofstream json(argv[2], std::ios::binary | std::ios::trunc);
    json << sample::ExpectedJson(expected, sourceText);
    if (!json.flush()) {
        std::fprintf(stderr, "edb_sample: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
