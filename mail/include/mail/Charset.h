#pragma once
// Turns the bytes of a message part into UTF-8, the engine's string form.
// Every function here accepts any byte sequence and loses no byte: what a
// charset cannot explain is read as windows-1252, the code page the system
// wrote the temporary file in.

#include <string>
#include <string_view>

namespace mail {

// us-ascii, iso-8859-1 (and its aliases), windows-1252 and utf-8 are decoded
// as declared; every other or missing charset name falls back to windows-1252.
// Invalid utf-8 sequences keep their bytes, each read as windows-1252.
std::string DecodeCharset(std::string_view bytes, std::string_view charset);

std::string Windows1252ToUtf8(std::string_view bytes);

// The way back, for text that arrived as UTF-8 but stands for the bytes the
// system would have written: characters windows-1252 lacks become '?'.
std::string Utf8ToWindows1252(std::string_view text);

}  // namespace mail
