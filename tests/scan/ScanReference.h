#pragma once
// The scan rules written plainly: one 4096-byte read per block from offset
// 4096 and a byte comparison at every position. The fast scanners must give
// exactly these results.
#include <cstring>
#include <string>
#include <vector>

#include "scan/MailboxNames.h"
#include "scan/SubjectText.h"
#include "text/CodePage.h"

namespace scantest {

struct ReferenceResult {
    std::vector<std::wstring> mailboxes;
    uint64_t headerCount = 0;
    std::vector<std::wstring> subjects;
    std::vector<uint64_t> headerOffsets;
    std::vector<std::string> headerTexts;
};

inline ReferenceResult ReferenceScan(const std::string& file, const mailbox::CodePage& codePage) {
    static const std::string kMailboxMarker("N67b9\xB0\xB4", 7);
    static const std::string kHeaderMarker("Content-Type");
    ReferenceResult result;
    const uint64_t length = file.size();
    uint64_t offset = 4096;
    do {
        std::string block = offset < length ? file.substr(offset, 4096) : std::string();
        auto textAt = [&](size_t p) {
            size_t end = p;
            while (end < block.size() && block[end] != '\0') ++end;
            return block.substr(p, end - p);
        };
        auto decode = [&](const std::string& bytes) {
            return codePage.Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        };
        for (size_t p = 0; p + kMailboxMarker.size() <= block.size(); ++p) {
            if (block.compare(p, kMailboxMarker.size(), kMailboxMarker) != 0) continue;
            std::wstring name = mailbox::MailboxNameFromText(decode(textAt(p)));
            if (name.empty()) continue;
            bool listed = false;
            for (const auto& row : result.mailboxes) listed = listed || codePage.ToUpper(row) == codePage.ToUpper(name);
            if (!listed) result.mailboxes.push_back(name);
        }
        for (size_t p = 0; p + kHeaderMarker.size() <= block.size(); ++p) {
            if (block.compare(p, kHeaderMarker.size(), kHeaderMarker) != 0) continue;
            std::string text = textAt(p);
            if (result.headerCount < 50) result.subjects.push_back(mailbox::SubjectText(decode(text)));
            result.headerOffsets.push_back(offset + p);
            result.headerTexts.push_back(text);
            ++result.headerCount;
        }
        offset += 4096;
    } while (offset <= length);
    return result;
}

}  // namespace scantest
