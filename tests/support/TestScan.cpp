#include "support/TestScan.h"

namespace quillon::test {

using namespace engine;

std::vector<Row> Rows(const TrackList& tracks) {
    std::vector<Row> rows;
    for (const auto& t : tracks) rows.push_back({t.Name, t.Start, t.Stop, t.Duration});
    return rows;
}

Scan Analyze(const std::string& path, int32_t percent, int32_t minMs) {
    Scan s;
    s.job->State = JobRunning;
    s.outcome = AnalyzeWaveFile(path, percent, minMs, *s.job, s.tracks, *s.seam);
    return s;
}

Scan Analyze(const std::string& path, int32_t minMs, const ScanSettings& settings, AnalysisJob* job) {
    Scan s;
    if (job != nullptr) s.job = std::shared_ptr<AnalysisJob>(job, [](AnalysisJob*) {});
    s.job->State = JobRunning;
    s.outcome = AnalyzeWaveFile(path, 10, minMs, *s.job, s.tracks, *s.seam, &s.report, settings);
    return s;
}

}  // namespace quillon::test
