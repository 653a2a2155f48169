#pragma once

namespace mail {

// The value of one hexadecimal digit of either case, -1 for anything else:
// quoted-printable bodies and percent-encoded parameters share it.
inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace mail
