#pragma once
// The message header scan: every "Content-Type" marker of the file in order
// (block rules in BlockScan.h). ForEachHeader hands out the raw text at each
// marker, for the analysis here and for the transfer; AnalyseHeaders counts
// the markers and lists the first 50 as the message list shows them.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "scan/BlockScan.h"
#include "text/CodePage.h"

namespace mailbox {

extern const char kHeaderMarker[13];  // "Content-Type", 12 bytes and a terminator
constexpr size_t kListedHeaders = 50;

struct HeaderMarker {
    uint64_t number;      // 0-based count of markers before this one
    uint64_t offset;      // of the marker in the file
    const uint8_t* text;  // the marker's bytes in the block, valid only during the call
    const uint8_t* blockEnd;

    // The text runs from the marker to the first zero byte or the block's end.
    // Measured on demand: counting markers needs no text.
    size_t TextSize() const { return TextLengthAt(text, static_cast<size_t>(blockEnd - text), 0); }
};

struct HeaderScanEnd {
    uint64_t markers = 0;  // markers seen
    bool stopped = false;
    bool endedByVisitor = false;
    ScanError error;
};

// The visitor returns false to end the scan after this marker.
HeaderScanEnd ForEachHeader(SourceFile& file, ScanToken& token, const ProgressFn& progress,
                            const std::function<bool(const HeaderMarker&)>& visit);

struct HeaderAnalysis {
    uint64_t messageCount = 0;           // markers found
    std::vector<std::wstring> subjects;  // of the first kListedHeaders markers, in order
    bool stopped = false;
    ScanError error;

    // The count's text as the pages keep it: the 0-based number of the last
    // marker ("59" for 60 markers); none when no marker was found, in which
    // case the text the caller had stays.
    std::optional<std::wstring> CountText() const;
};

struct HeaderAnalysisCallbacks {
    // Each listed row (index 0 to 49) as it is found.
    std::function<void(size_t row, const std::wstring& subject)> onRow;
    ProgressFn onProgress;
};

HeaderAnalysis AnalyseHeaders(SourceFile& file, const CodePage& codePage, ScanToken& token,
                              const HeaderAnalysisCallbacks& callbacks = {});

}  // namespace mailbox
