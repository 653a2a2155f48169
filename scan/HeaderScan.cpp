#include "scan/HeaderScan.h"

#include "scan/PatternFinder.h"
#include "scan/SubjectText.h"

namespace mailbox {

const char kHeaderMarker[13] = "Content-Type";

HeaderScanEnd ForEachHeader(SourceFile& file, ScanToken& token, const ProgressFn& progress,
                            const std::function<bool(const HeaderMarker&)>& visit) {
    static const PatternFinder finder(kHeaderMarker);
    HeaderScanEnd end;
    bool stopped = false;
    ScanOutcome outcome =
        ScanBlocks(file, token, progress, [&](uint64_t blockOffset, const uint8_t* block, size_t size) {
            for (size_t p = finder.Find(block, size, 0); p != PatternFinder::kNotFound;
                 p = finder.Find(block, size, p + 1)) {
                HeaderMarker marker{end.markers, blockOffset + p, block + p, block + size};
                ++end.markers;
                if (!visit(marker)) {
                    end.endedByVisitor = true;
                    return false;
                }
                token.WaitWhilePaused();
                if (token.StopRequested()) {
                    stopped = true;
                    return false;
                }
            }
            return true;
        });
    end.stopped = stopped || outcome.end == ScanOutcome::End::Stopped;
    end.error = outcome.error;
    return end;
}

std::optional<std::wstring> HeaderAnalysis::CountText() const {
    if (messageCount == 0) return std::nullopt;
    return std::to_wstring(messageCount - 1);
}

HeaderAnalysis AnalyseHeaders(SourceFile& file, const CodePage& codePage, ScanToken& token,
                              const HeaderAnalysisCallbacks& callbacks) {
    HeaderAnalysis analysis;
    HeaderScanEnd end = ForEachHeader(file, token, callbacks.onProgress, [&](const HeaderMarker& marker) {
        if (marker.number < kListedHeaders) {
            analysis.subjects.push_back(SubjectText(codePage.Decode(marker.text, marker.TextSize())));
            if (callbacks.onRow) callbacks.onRow(static_cast<size_t>(marker.number), analysis.subjects.back());
        }
        return true;
    });
    analysis.messageCount = end.markers;
    analysis.stopped = end.stopped;
    analysis.error = end.error;
    return analysis;
}

}  // namespace mailbox
