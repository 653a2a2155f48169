#pragma once
// PST strings are UTF-16LE without a terminating NUL; the API speaks UTF-8.
// Invalid UTF-8 (overlong forms and encoded surrogates included) and lone
// UTF-16 surrogates become U+FFFD rather than an error: a mail with a broken
// byte must still be stored, and what comes out is always valid.

#include <string>

#include "util/Bytes.h"

namespace pst {

Bytes Utf8ToUtf16Le(const std::string& text);
std::string Utf16LeToUtf8(const uint8_t* data, size_t size);
inline std::string Utf16LeToUtf8(const Bytes& b) { return Utf16LeToUtf8(b.data(), b.size()); }

}  // namespace pst
