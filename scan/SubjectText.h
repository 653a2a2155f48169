#pragma once
// The text shown in a message row's "E-mail Subject" column, taken from the
// decoded text at a "Content-Type" marker. Despite the column's name it is
// usually an attachment's file name: the text after "filename=", up to the
// last double quote within e - 1 characters of it (e: the last "=" of the
// text), with every other double quote shown as a space.
#include <string>

namespace mailbox {

std::wstring SubjectText(const std::wstring& text);

}  // namespace mailbox
