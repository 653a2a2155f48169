#pragma once
// Synthetic source databases of our own, for tests, benchmarks and the demo.
// The file imitates what the scans look at and nothing more: 4096-byte pages of
// filler (zeros, binary, encoded attachment data) holding mailbox records
// (the mailbox marker, three bytes, a Windows-1252 name, a zero byte) and
// stored MIME messages whose raw text starts with "Content-Type".
//
// The generator knows what the scans must report because it places every
// record itself: filler never holds an 'N' or a 'C', so no marker can begin
// there, records never cross a page unless a case wants exactly that, and each
// record's expected name or subject texts are written down literally by the
// case that writes the record.
#include <cstdint>
#include <string>
#include <vector>

namespace sample {

struct SampleOptions {
    uint64_t seed = 1;
    int messages = 300;         // stored messages; every third has an attachment
    uint64_t minimumSize = 0;   // filler pages are added up to this size
    bool ruleCases = false;     // the block-rule cases: markers in the first page,
                                // across page ends, names and texts cut at a page end
    uint64_t sparseTailAt = 0;  // when set: a hole, then records at this offset and
    uint64_t sparseSize = 0;    // in the last page of a file of this size
};

// What `edb2pst list --json` must print, as UTF-8.
struct Expectation {
    uint64_t size = 0;
    std::vector<std::string> mailboxes;
    uint64_t messageCount = 0;
    std::vector<std::string> subjects;  // of the first 50 markers
};

// Writes the file; false with a reason when it cannot.
bool WriteSample(const std::string& path, const SampleOptions& options, Expectation& expected, std::string& error);

// The JSON object of the list command for this expectation.
std::string ExpectedJson(const Expectation& expected, const std::string& sourceText);

}  // namespace sample
