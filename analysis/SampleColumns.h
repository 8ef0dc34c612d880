#pragma once
// The samples of one visible stretch of a recording, read from the file itself
// and folded to one lowest and highest value per pixel, for views finer than
// the level overview's columns. Meant for a worker thread: nothing is shown to
// the user here; the outcome says what happened.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/SourceIdentity.h"

namespace quillon::engine {

// Full-scale units, -1 to 1: 8-bit samples (s - 128) / 128, 16-bit s / 32768,
// wider integers by their valid bits, floating point as it is (NaN as 0,
// beyond full scale held at -1 or 1). Over the samples the silence test looks
// at: the first of a mono frame, the first two of any other.
struct SampleColumn {
    float Min = 0;
    float Max = 0;

    friend bool operator==(const SampleColumn&, const SampleColumn&) = default;
};

enum class SampleRead {
    Read,
    NotTheAnalysedFile,  // the path now holds another file, or its audio moved: nothing read
    Unreadable,          // the file could not be opened, walked or read
    Aborted,             // abort was seen between two blocks
};

struct SampleRequest {
    std::string Path;
    SourceIdentity Analysed;   // the identity the analysis took
    bool WideFormats = false;  // the wide-formats setting the analysis opened it with
    uint64_t FirstFrame = 0;   // of the data chunk
    uint64_t Frames = 0;
    uint32_t Pixels = 0;
};

struct SampleResult {
    SampleRead Outcome = SampleRead::Unreadable;
    // Read: min(FramesRead, Pixels) columns; column c covers frames
    // [c * FramesRead / n, (c + 1) * FramesRead / n) of the stretch read, so at
    // one pixel per frame or finer each column is one frame (Min == Max).
    // Empty for every other outcome.
    std::vector<SampleColumn> Columns;
    uint64_t FirstFrame = 0;  // the stretch read: the request's
    uint64_t FramesRead = 0;  // frames, cut to those the file holds
};

// Opens request.Path as the analysis opens a recording and, only when it is
// still the analysed file (IdentifySource equals Analysed), reads the frames
// [FirstFrame, FirstFrame + Frames) that the file holds, in blocks of about
// 1 MiB, checking abort before each. A stretch past the end reads nothing and
// gives Read with no columns.
[[nodiscard]] SampleResult ReadSampleColumns(const SampleRequest& request, const std::atomic<bool>& abort);

}  // namespace quillon::engine
