#pragma once
// One scan of a wave file for the analysis tests, with everything it left
// behind kept for the checks: outcome, tracks, report, seam and job.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/BlockScan.h"
#include "analysis/SilenceDetect.h"
#include "support/RecordingSeam.h"

namespace quillon::test {

// A track as the list shows it: name, start, stop, duration.
using Row = std::array<std::string, 4>;

[[nodiscard]] std::vector<Row> Rows(const engine::TrackList& tracks);

struct Scan {
    engine::ScanOutcome outcome = engine::ScanOutcome::Completed;
    engine::TrackList tracks;
    engine::AnalysisReport report;  // gathered only by the Analyze that takes ScanSettings
    // Held by pointer so a Scan can be returned; job may be the caller's (then not owned).
    std::unique_ptr<RecordingSeam> seam = std::make_unique<RecordingSeam>();
    std::shared_ptr<engine::AnalysisJob> job = std::make_shared<engine::AnalysisJob>();
};

// The scan with the default machinery and no report.
[[nodiscard]] Scan Analyze(const std::string& path, int32_t percent = 10, int32_t minMs = 3000);

// The scan at 10 % with its machinery chosen and the report gathered. When job
// is given the scan runs with it (a test's hooks can reach it) and Scan::job
// points to it; it must outlive the Scan.
[[nodiscard]] Scan Analyze(const std::string& path, int32_t minMs, const engine::ScanSettings& settings,
                           engine::AnalysisJob* job = nullptr);

}  // namespace quillon::test
