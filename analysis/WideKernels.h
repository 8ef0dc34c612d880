#pragma once
// The silence test and the peak pass for the wide kinds (24- and 32-bit
// integers, 32- and 64-bit floating point), on amplitude keys
// (analysis/SampleAmplitude.h): a tested sample is silent exactly when its key
// is below the limit, and a frame when its tested samples are. Vector forms:
// AVX2 for packed 24-bit, 32-bit and float32 frames, SSE2 for packed 32-bit
// and float32; 64-bit floats and padded frames go frame by frame.

#include <cstddef>
#include <cstdint>

#include "analysis/FrameScan.h"
#include "analysis/WaveFormat.h"

namespace quillon::engine {

// count frames at stride bytes into 64-frame words of mask (bit i of word
// i / 64 set when frame i is silent; unused bits of the last word cleared).
// shift: ValidShift of the format.
void ClassifyWideFrames(SampleKind kind, bool stereo, const uint8_t* frames, std::size_t count, uint64_t* mask,
                        uint64_t limit, int stride, int shift);

// Packed frames, whole 64-frame words from the first: below is limit - 1
// (limit at least 1). Returns the frames judged, a multiple of 64 (never a
// byte read past the frames given); the rest are the caller's. When
// wordPeaks is given, word w's largest tested key goes to wordPeaks[w]
// (AVX2's kernels only: SSE2's take none).
using WideWordKernel = std::size_t (*)(const uint8_t* frames, std::size_t count, uint64_t* mask, uint32_t below,
                                       int shift, uint32_t* wordPeaks);
// The vector kernel of kind at level (a usable one), or null where there is none.
[[nodiscard]] WideWordKernel WideVectorKernel(SampleKind kind, bool stereo, VectorLevel level);

// The largest key among the tested samples of count frames at stride bytes.
using WideKeyPeak = uint64_t (*)(const uint8_t* frames, std::size_t count, int stride, bool stereo, int shift);
// packed: stride is the tested bytes, so every sample counts.
[[nodiscard]] WideKeyPeak WidePeakKernel(SampleKind kind, bool packed, VectorLevel level);

}  // namespace quillon::engine
