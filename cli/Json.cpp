#include "cli/Json.h"

#include <cstdio>

#include "text/Utf8.h"

namespace cli {

std::string JsonString(const std::wstring& text) {
    std::string utf8 = mailbox::ToUtf8(text);
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string JsonStringArray(const std::vector<std::wstring>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += ", ";
        out += JsonString(items[i]);
    }
    return out + "]";
}

}  // namespace cli
