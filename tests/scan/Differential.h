#pragma once
// Runs the fast scanners and the plain reference over one file image and
// describes the first difference (empty when they agree). Shared by the
// differential test and the fuzzer.
#include <string>

#include "MemorySource.h"
#include "ScanReference.h"
#include "scan/HeaderScan.h"
#include "scan/MailboxScan.h"

namespace scantest {

inline std::string CompareWithReference(const std::string& image) {
    const mailbox::CodePage& codePage = mailbox::Windows1252();
    ReferenceResult expected = ReferenceScan(image, codePage);
    MemorySource file(image, UINT64_MAX, true);
    mailbox::NeverStop token;
    if (mailbox::ScanMailboxes(file, codePage, token).names != expected.mailboxes) return "mailbox names differ";
    mailbox::HeaderAnalysis analysis = mailbox::AnalyseHeaders(file, codePage, token);
    if (analysis.messageCount != expected.headerCount) return "header counts differ";
    if (analysis.subjects != expected.subjects) return "subjects differ";
    std::vector<uint64_t> offsets;
    std::vector<std::string> texts;
    mailbox::ForEachHeader(file, token, nullptr, [&](const mailbox::HeaderMarker& marker) {
        offsets.push_back(marker.offset);
        texts.emplace_back(reinterpret_cast<const char*>(marker.text), marker.TextSize());
        return true;
    });
    if (offsets != expected.headerOffsets) return "header offsets differ";
    if (texts != expected.headerTexts) return "header texts differ";
    return {};
}

}  // namespace scantest
