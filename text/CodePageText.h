#pragma once
// Conversion of log texts to a byte code page with a cap on the bytes kept.
#include <windows.h>

#include <string>

// Converts the text to the code page and keeps the longest run of whole
// characters from its start that fits in byteCap bytes: a character is never cut
// in two, whatever the code page (double-byte, UTF-8, surrogate pairs). Stops at
// a zero character. Characters the code page lacks become its default character.
std::string ToCodePageWithin(const std::wstring& text, UINT codePage, size_t byteCap);
