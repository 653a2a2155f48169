#pragma once
// The source file's last-write time as the component records it with every
// message: "%d/%m/%Y %I:%M %p" of the local time, or empty when the file's
// time cannot be read or formatted.
#include <cstdint>
#include <string>

namespace convert {

std::wstring SourceFileTimeText(const std::wstring& sourcePath);
// The same text for a local calendar time (search::CPath::LastWriteTime's form).
std::wstring CalendarTimeText(int64_t localCalendarTime);

}  // namespace convert
