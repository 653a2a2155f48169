#pragma once
// Mailbox names come from the source's raw bytes and become file names,
// folder names and PST folder path components. Before any such use a name is
// made safe: no character Windows forbids in a file name, no trailing dot or
// space, no device name, a bounded length, and never a path of its own
// ("..\..\Windows" stays one harmless name inside the destination). Pages and
// the log keep showing the name as found.
#include <cstddef>
#include <string>
#include <unordered_set>

namespace convert {

// Longest safe name, in characters: short enough that the PST file's whole
// name stays under the 255-byte limit of common file systems even in UTF-8.
constexpr size_t kMaxSafeNameLength = 64;

// \ / : * ? " < > | and control characters become "_"; trailing dots and
// spaces go; "_" is added to CON, PRN, AUX, NUL, COM1-9 and LPT1-9 (also with
// an extension); the result is cut to maxLength; an empty result is "_".
std::wstring SafeFileName(const std::wstring& name, size_t maxLength = kMaxSafeNameLength);

// Hands out safe names that differ from every name handed out before (letter
// case ignored, as Windows file systems ignore it): a name already taken gets
// "_2", "_3", ... so two mailboxes never share a file or a store.
class SafeNameSet {
public:
    std::wstring Claim(const std::wstring& name, size_t maxLength = kMaxSafeNameLength);

private:
    std::unordered_set<std::wstring> m_taken;  // upper-cased
};

}  // namespace convert
