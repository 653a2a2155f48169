#pragma once
// The temporary .eml file exactly as the system writes it: "From:" and "To:"
// lines ending in a bare CR, the seven characters "Subject", then the message
// text, all through a text-mode stream (every LF byte stored as CR LF).

#include <string>

namespace mail_test {

inline const std::string kSenderText = "Administrator <administrator@korvane.local>\r";

inline std::string TextMode(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// `messageText` as read from the source (CR LF line ends, windows-1252 bytes).
inline std::string SystemEml(const std::string& messageText) {
    return TextMode("From:" + kSenderText + "To:" + kSenderText + "Subject" + messageText);
}

}  // namespace mail_test
