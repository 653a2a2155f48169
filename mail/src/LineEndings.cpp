#include "mail/LineEndings.h"

namespace mail {

std::string NormalizeLineEndings(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c == '\n') {
            out += "\r\n";
            ++i;
        } else if (c == '\r') {
            size_t run = text.find_first_not_of('\r', i);
            if (run == std::string_view::npos) run = text.size();
            if (run < text.size() && text[run] == '\n') {
                out += "\r\n";
                i = run + 1;
            } else {
                for (; i < run; ++i) out += "\r\n";
            }
        } else {
            // Up to the next line end the bytes stay as they are.
            size_t end = i;
            while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
            out.append(text.data() + i, end - i);
            i = end;
        }
    }
    return out;
}

}  // namespace mail
