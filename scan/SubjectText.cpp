#include "scan/SubjectText.h"

#include <algorithm>

namespace mailbox {

std::wstring SubjectText(const std::wstring& text) {
    // Positions as signed numbers: "not found" is -1 and takes part in the sums.
    const long long size = static_cast<long long>(text.size());
    size_t found = text.find(L"filename");
    long long f = found == std::wstring::npos ? -1 : static_cast<long long>(found);
    size_t equals = text.rfind(L'=');
    long long e = equals == std::wstring::npos ? -1 : static_cast<long long>(equals);

    long long start = f + 9;
    long long count = std::max(e - 1, 0LL);
    if (start >= size) return {};
    std::wstring part = text.substr(static_cast<size_t>(start), static_cast<size_t>(std::min(count, size - start)));
    size_t lastQuote = part.rfind(L'"');
    if (lastQuote == std::wstring::npos) return {};
    part.resize(lastQuote);
    std::replace(part.begin(), part.end(), L'"', L' ');
    return part;
}

}  // namespace mailbox
