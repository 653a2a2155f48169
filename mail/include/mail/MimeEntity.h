#pragma once
// One MIME entity and, for multipart entities, its parts, parsed from text
// with CR LF line ends. Parsing never fails; how it degrades:
//  - a multipart entity without a boundary, or whose body holds no delimiter
//    line, keeps its body and is marked `unsplit` (the caller shows it as text);
//  - a part cut off before its closing delimiter runs to the end of the text;
//  - nesting deeper than kMaxDepth is left unsplit, which bounds the work on
//    hostile input.

#include <string>
#include <string_view>
#include <vector>

#include "mail/HeaderBlock.h"
#include "mail/HeaderParameters.h"

namespace mail {

struct MimeEntity {
    static constexpr int kMaxDepth = 16;

    std::vector<HeaderField> fields;
    std::string headerBlock;         // the raw header lines, CR LF ended
    ParameterizedValue contentType;  // "text/plain" when the entity names none
    std::string_view body;           // still transfer-encoded; within the parsed text
    std::vector<MimeEntity> parts;   // multipart only
    bool unsplit = false;            // multipart that could not be split
};

// The entity's body and its parts' bodies point into `text`, which must
// outlive the entity: a large message's body is not copied once per level.
MimeEntity ParseMimeEntity(std::string_view text, int depth = 0);

}  // namespace mail
