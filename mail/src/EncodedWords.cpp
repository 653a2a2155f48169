#include "mail/EncodedWords.h"

#include "mail/Charset.h"
#include "mail/TransferEncoding.h"

namespace mail {
namespace {

struct EncodedWord {
    size_t end = 0;  // past "?="
    std::string charset;
    std::string bytes;
};

// Parses the encoded word starting at `at` ("=?"); false when it is not one.
bool ParseEncodedWord(std::string_view raw, size_t at, EncodedWord& word) {
    size_t charsetEnd = raw.find('?', at + 2);
    if (charsetEnd == std::string_view::npos || charsetEnd == at + 2 || charsetEnd + 2 >= raw.size() ||
        raw[charsetEnd + 2] != '?')
        return false;
    char encoding = raw[charsetEnd + 1];
    size_t textStart = charsetEnd + 3;
    size_t textEnd = raw.find("?=", textStart);
    if (textEnd == std::string_view::npos) return false;
    std::string_view charset = raw.substr(at + 2, charsetEnd - at - 2);
    std::string_view text = raw.substr(textStart, textEnd - textStart);
    if (charset.find_first_of(" \t") != std::string_view::npos || text.find_first_of(" \t") != std::string_view::npos)
        return false;
    if (encoding == 'B' || encoding == 'b') {
        word.bytes = DecodeBase64(text);
    } else if (encoding == 'Q' || encoding == 'q') {
        word.bytes = DecodeQuotedPrintable(text, true);
    } else {
        return false;
    }
    // RFC 2231 adds a language after '*': "utf-8*en".
    word.charset = std::string(charset.substr(0, charset.find('*')));
    word.end = textEnd + 2;
    return true;
}

}  // namespace

std::string DecodeHeaderText(std::string_view raw) {
    std::string out;
    std::string pendingBytes, pendingCharset;
    auto flush = [&] {
        if (!pendingBytes.empty()) out += DecodeCharset(pendingBytes, pendingCharset);
        pendingBytes.clear();
    };
    size_t literalStart = 0;
    bool previousWasEncoded = false;
    size_t at = 0;
    while ((at = raw.find("=?", at)) != std::string_view::npos) {
        EncodedWord word;
        if (!ParseEncodedWord(raw, at, word)) {
            at += 2;
            continue;
        }
        std::string_view between = raw.substr(literalStart, at - literalStart);
        bool onlyBlanks = between.find_first_not_of(" \t") == std::string_view::npos;
        if (!(previousWasEncoded && onlyBlanks)) {
            flush();
            out += Windows1252ToUtf8(between);
        } else if (word.charset != pendingCharset) {
            flush();
        }
        if (pendingBytes.empty()) pendingCharset = word.charset;
        pendingBytes += word.bytes;
        previousWasEncoded = true;
        literalStart = at = word.end;
    }
    flush();
    out += Windows1252ToUtf8(raw.substr(literalStart));
    return out;
}

}  // namespace mail
