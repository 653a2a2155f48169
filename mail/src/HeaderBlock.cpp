#include "mail/HeaderBlock.h"

#include "text/AsciiCase.h"

namespace mail {
namespace {

// Length of the field name when `line` opens a header field, else 0.
size_t FieldNameLength(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && line[i] > ' ' && line[i] < 127 && line[i] != ':') ++i;
    size_t name = i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return name > 0 && i < line.size() && line[i] == ':' ? name : 0;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

HeaderSplit SplitHeader(std::string_view entity) {
    HeaderSplit split;
    size_t at = 0;
    while (at < entity.size()) {
        size_t end = entity.find("\r\n", at);
        size_t next = end == std::string_view::npos ? entity.size() : end + 2;
        std::string_view line = entity.substr(at, (end == std::string_view::npos ? entity.size() : end) - at);
        if (line.empty()) {
            split.headerEnd = at;
            split.bodyStart = next;
            return split;
        }
        if ((line[0] == ' ' || line[0] == '\t') && !split.fields.empty()) {
            std::string& value = split.fields.back().value;
            std::string_view more = TrimBlanks(line);
            if (!more.empty()) value += (value.empty() ? "" : " ") + std::string(more);
        } else if (size_t name = FieldNameLength(line)) {
            std::string_view rest = line.substr(line.find(':', name) + 1);
            split.fields.push_back({std::string(line.substr(0, name)), std::string(TrimBlanks(rest))});
        } else {
            split.headerEnd = split.bodyStart = at;
            return split;
        }
        at = next;
    }
    split.headerEnd = split.bodyStart = entity.size();
    return split;
}

const HeaderField* FindField(const std::vector<HeaderField>& fields, std::string_view name) {
    for (const HeaderField& field : fields)
        if (mailbox::EqualsIgnoreCase(field.name, name)) return &field;
    return nullptr;
}

}  // namespace mail
