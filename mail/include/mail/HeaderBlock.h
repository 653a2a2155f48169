#pragma once
// Splits a MIME entity (CR LF line ends) into its header fields and its body.
// Leniency: the header block ends at the first empty line, or at the first
// line that is neither a field nor a continuation, which then starts the
// body; text cut off inside a header simply ends the block.

#include <string>
#include <string_view>
#include <vector>

namespace mail {

struct HeaderField {
    std::string name;   // as written
    std::string value;  // raw bytes, unfolded, surrounding blanks removed
};

struct HeaderSplit {
    std::vector<HeaderField> fields;
    size_t headerEnd = 0;  // end of the header block (its last line end included)
    size_t bodyStart = 0;  // past the empty line, when there is one
};

HeaderSplit SplitHeader(std::string_view entity);

// The first field of that name (ASCII case-insensitive), or null.
const HeaderField* FindField(const std::vector<HeaderField>& fields, std::string_view name);

std::string_view TrimBlanks(std::string_view text);

}  // namespace mail
