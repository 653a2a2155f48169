#include "mail/MimeEntity.h"

namespace mail {
namespace {

// True when `line` is the delimiter "--boundary", or the closing one when
// `closing` is set, with nothing but blanks after it.
bool IsDelimiterLine(std::string_view line, std::string_view delimiter, bool& closing) {
    if (line.substr(0, delimiter.size()) != delimiter) return false;
    std::string_view rest = line.substr(delimiter.size());
    closing = rest.substr(0, 2) == "--";
    if (closing) rest.remove_prefix(2);
    return rest.find_first_not_of(" \t") == std::string_view::npos;
}

// The parts between delimiter lines; false when no delimiter line exists.
bool SplitParts(std::string_view body, const std::string& boundary, std::vector<std::string_view>& parts) {
    const std::string delimiter = "--" + boundary;
    bool found = false;
    size_t partStart = std::string_view::npos;  // npos: still in the preamble
    size_t at = 0;
    while (at < body.size()) {
        size_t end = body.find("\r\n", at);
        size_t lineEnd = end == std::string_view::npos ? body.size() : end;
        bool closing = false;
        if (IsDelimiterLine(body.substr(at, lineEnd - at), delimiter, closing)) {
            // The line end before a delimiter belongs to the delimiter.
            if (partStart != std::string_view::npos) {
                size_t partEnd = at >= partStart + 2 && body.substr(at - 2, 2) == "\r\n" ? at - 2 : at;
                parts.push_back(body.substr(partStart, partEnd > partStart ? partEnd - partStart : 0));
            }
            found = true;
            if (closing) return true;
            partStart = end == std::string_view::npos ? body.size() : end + 2;
        }
        at = end == std::string_view::npos ? body.size() : end + 2;
    }
    // Cut off before the closing delimiter: the last part runs to the end.
    if (partStart != std::string_view::npos && partStart < body.size()) parts.push_back(body.substr(partStart));
    return found;
}

}  // namespace

MimeEntity ParseMimeEntity(std::string_view text, int depth) {
    MimeEntity entity;
    HeaderSplit split = SplitHeader(text);
    entity.fields = std::move(split.fields);
    entity.headerBlock = std::string(text.substr(0, split.headerEnd));
    entity.body = text.substr(split.bodyStart);
    const HeaderField* type = FindField(entity.fields, "Content-Type");
    entity.contentType = ParseParameterizedValue(type ? std::string_view(type->value) : std::string_view("text/plain"));
    // A type that is no "type/subtype" counts as plain text, as RFC 2045 asks.
    if (entity.contentType.value.find('/') == std::string::npos) entity.contentType.value = "text/plain";

    if (entity.contentType.value.compare(0, 10, "multipart/") != 0) return entity;
    std::string boundary = entity.contentType.RawParameter("boundary");
    std::vector<std::string_view> parts;
    if (boundary.empty() || depth >= MimeEntity::kMaxDepth || !SplitParts(entity.body, boundary, parts)) {
        entity.unsplit = true;
        return entity;
    }
    for (std::string_view part : parts) entity.parts.push_back(ParseMimeEntity(part, depth + 1));
    return entity;
}

}  // namespace mail
