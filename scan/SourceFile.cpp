#include "scan/SourceFile.h"

namespace mailbox {

std::wstring ScanError::Message() const {
    const wchar_t* verb = kind == Kind::ReadFailed ? L"cannot read \"" : L"cannot open \"";
    return verb + path + L"\": " + reason;
}

}  // namespace mailbox
