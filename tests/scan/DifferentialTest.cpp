// The fast scanners against the plain per-position reference on random files
// made of marker pieces, placed mostly around block ends and read ends.
#include <gtest/gtest.h>

#include <random>

#include "Differential.h"
#include "scan/PatternFinder.h"

using namespace scantest;

namespace {

std::string RandomImage(std::mt19937_64& random) {
    static const std::vector<std::string> kPieces = {
        kMarker,
        kMarker + "xyzAnna" + kZero,
        kMarker + "XYZANNA",
        kMarker + "bob",
        kMarker.substr(0, 6),
        "Content-Type",
        "Content-Typ",
        "Content-Type: a; filename=\"r.pdf\"" + kZero,
        "filename=",
        "\"",
        "=",
        kZero,
        "N",
        "C",
        "\xB4\xB0",
        "Content-TypeContent-Type",
        kMarker + kMarker + "abcdef",
    };
    size_t length = std::uniform_int_distribution<size_t>(0, 3 * (1 << 20) + 9000)(random);
    std::string image(length, '\0');
    bool sparse = random() % 2;
    for (char& c : image) c = sparse ? 0 : static_cast<char>("NC\xB0\xB4-e\0x"[random() % 8] * (random() % 3 == 0));
    int pieces = static_cast<int>(random() % 400);
    for (int i = 0; i < pieces && length; ++i) {
        const std::string& piece = kPieces[random() % kPieces.size()];
        size_t at;
        if (random() % 2) {  // around a block end, a read end or the file end
            size_t edge = random() % 4 == 0 ? (size_t{1} << 20) * (1 + random() % 3) + 4096
                                            : 4096 * static_cast<size_t>(random() % (length / 4096 + 2));
            at = edge - std::min<size_t>(edge, random() % 16);
        } else {
            at = static_cast<size_t>(random() % length);
        }
        if (at < length) image.replace(at, std::min(piece.size(), length - at), piece.substr(0, length - at));
    }
    return image;
}

TEST(Differential, FastScannersAgreeWithThePlainReference) {
    std::mt19937_64 random(20261208);
    for (int round = 0; round < 40; ++round) {
        std::string image = RandomImage(random);
        ASSERT_EQ(CompareWithReference(image), "") << "round " << round << ", length " << image.size();
    }
}

TEST(Differential, PatternFinderFindsEveryPositionOverlapsIncluded) {
    for (const std::string& pattern : {std::string("aa"), std::string("Content-Type"), kMarker, std::string("x")}) {
        for (size_t size = 0; size < 160; ++size) {
            for (size_t at = 0; at + pattern.size() <= size; at += 1 + size / 20) {
                std::string data(size, 'a' == pattern[0] ? 'b' : 'a');
                data.replace(at, pattern.size(), pattern);
                if (pattern == "aa" && at + 3 <= size) data[at + 2] = 'a';  // three a: two overlapping matches
                std::vector<size_t> expected, found;
                for (size_t p = 0; p + pattern.size() <= size; ++p)
                    if (data.compare(p, pattern.size(), pattern) == 0) expected.push_back(p);
                for (auto search : {mailbox::PatternFinder::Search::Scalar, mailbox::PatternFinder::Search::Sse2,
                                    mailbox::PatternFinder::Search::Widest}) {
                    mailbox::PatternFinder finder(pattern, search);
                    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
                    found.clear();
                    for (size_t p = finder.Find(bytes, size, 0); p != mailbox::PatternFinder::kNotFound;
                         p = finder.Find(bytes, size, p + 1))
                        found.push_back(p);
                    ASSERT_EQ(found, expected)
                        << pattern << " in " << size << " bytes at " << at << ", search " << static_cast<int>(search);
                }
            }
        }
    }
}

}  // namespace
