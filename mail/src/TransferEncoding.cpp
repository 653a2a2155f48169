#include "mail/TransferEncoding.h"

#include <cstdint>

#include "HexDigit.h"

namespace mail {
namespace {

int Base64Digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string DecodeBase64(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    uint32_t value = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') break;
        int digit = Base64Digit(c);
        if (digit < 0) continue;
        value = ((value << 6) | static_cast<uint32_t>(digit)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((value >> bits) & 0xFF));
        }
    }
    return out;
}

std::string DecodeQuotedPrintable(std::string_view text, bool underscoreIsSpace) {
    std::string out;
    out.reserve(text.size());
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find("\r\n", lineStart);
        bool hasBreak = lineEnd != std::string_view::npos;
        std::string_view line = text.substr(lineStart, hasBreak ? lineEnd - lineStart : std::string_view::npos);
        // Blanks before a line end were added by transport, not by the writer.
        size_t keep = line.find_last_not_of(" \t");
        line = keep == std::string_view::npos ? std::string_view() : line.substr(0, keep + 1);
        bool softBreak = !line.empty() && line.back() == '=';
        if (softBreak) line.remove_suffix(1);
        for (size_t i = 0; i < line.size(); ++i) {
            char c = line[i];
            if (c == '=' && i + 2 < line.size() && HexDigit(line[i + 1]) >= 0 && HexDigit(line[i + 2]) >= 0) {
                out.push_back(static_cast<char>(HexDigit(line[i + 1]) * 16 + HexDigit(line[i + 2])));
                i += 2;
            } else if (c == '_' && underscoreIsSpace) {
                out.push_back(' ');
            } else {
                out.push_back(c);
            }
        }
        if (!hasBreak) break;
        if (!softBreak) out += "\r\n";
        lineStart = lineEnd + 2;
    }
    return out;
}

}  // namespace mail
