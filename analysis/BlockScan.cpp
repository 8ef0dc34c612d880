#include "analysis/BlockScan.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace quillon::engine {

using platform::FileView;

namespace {

// The silent runs, closed in order: each is kept as a silence when longer than
// the minimum, and the longest of any length is remembered (the first of equals).
class RunRecorder {
public:
    explicit RunRecorder(uint32_t minFrames) : minFrames_(minFrames) {}

    void Record(uint64_t start, uint64_t end) {
        const uint64_t length = end - start;
        if (length > longestFrames) {
            longestStart = start;
            longestFrames = length;
        }
        if (length > minFrames_) spans.push_back({start, end, length});
    }

    std::vector<SilenceSpan> spans;
    uint64_t longestStart = 0, longestFrames = 0;

private:
    uint32_t minFrames_;
};

// What a block gives the join: its frames, the runs that begin and end inside
// it, and the two that touch its edges, left open.
struct BlockResult {
    uint64_t first = 0;
    uint64_t frames = 0;  // whole frames scanned
    bool cut = false;     // the file ended before the block did: a short read
    uint64_t lead = 0;    // silent frames at its start; frames when it is silent throughout
    bool trailing = false;
    uint64_t trailStart = 0;  // a silence begun inside it and still open at its end
    RunRecorder inside{0};    // the runs inside
    // The overview: a block fills the columns that begin in it straight into
    // the shared array (its own, as no other block writes them), and keeps the
    // peak of its frames in the column it begins inside of, which the join adds.
    uint64_t ownedFirst = 0, ownedEnd = 0;  // the columns that begin in it
    bool head = false;                      // it begins inside column ownedFirst - 1
    uint16_t headPeak = 0;
};

// The runs of one block, from its silence mask, piece after piece.
//
// A run no longer than the minimum, and no longer than a run already recorded
// (here, or in an earlier block, which counts whenever this one does: floor),
// changes nothing. Once that covers every run of up to 63 frames, which is as
// long as a run that begins and ends inside one 64-frame word of the mask can
// be, a word is read at its first and last change alone, with no branch that
// the data decides except for the rare run that matters.
class BlockRuns {
public:
    BlockRuns(BlockResult& block, uint32_t minFrames, uint64_t floor)
        : block_(block), minFrames_(minFrames), floor_(floor) {
        Raise(0);
    }

    // The mask of the frames first .. first + n - 1, which follow the frames fed before.
    void Feed(const uint64_t* mask, std::size_t n, uint64_t first) {
        const std::size_t words = n / 64;
        for (std::size_t w = 0; w < words; ++w) {
            const uint64_t base = first + w * 64;
            if (quick_ && base != block_.first) QuickWord(mask[w], base);
            else Word(mask[w], 64, base);
        }
        if (n % 64 != 0) Word(mask[words], n % 64, first + words * 64);
    }

    void Finish(uint64_t end) {
        if (!inSilence_) return;
        if (start_ == block_.first) {
            block_.lead = end - block_.first;
        } else {
            block_.trailing = true;
            block_.trailStart = start_;
        }
    }

private:
    // Every change in the first valid frames of the word at base.
    void Word(uint64_t bits, std::size_t valid, uint64_t base) {
        uint64_t changes = bits ^ (bits << 1 | inSilence_);
        if (valid < 64) changes &= (uint64_t(1) << valid) - 1;
        while (changes != 0) {
            const uint64_t at = base + uint64_t(__builtin_ctzll(changes));
            if (inSilence_) Close(at);
            else Open(at);
            changes &= changes - 1;
        }
    }

    // A whole word when only runs longer than threshold_ matter: the run that
    // goes on from the word before ends at the first change, and the run that
    // goes on into the next word begins at the last.
    void QuickWord(uint64_t bits, uint64_t base) {
        const uint64_t changes = bits ^ (bits << 1 | inSilence_);
        const uint64_t firstChange = base + uint64_t(__builtin_ctzll(changes | uint64_t(1) << 63));
        const uint64_t lastChange = base + uint64_t(63 - __builtin_clzll(changes | 1));
        const uint64_t any = changes != 0;
        if (inSilence_ & any & ((firstChange - start_ > threshold_) | (start_ == block_.first))) Close(firstChange);
        // Without branches: start_ = lastChange when a run begins, inSilence_ = the last frame's bit when anything
        // changed.
        const uint64_t endsSilent = bits >> 63;
        start_ ^= (start_ ^ lastChange) & (0 - (any & endsSilent));
        inSilence_ ^= (inSilence_ ^ endsSilent) & any;
    }

    void Open(uint64_t frame) {
        inSilence_ = 1;
        start_ = frame;
    }
    void Close(uint64_t frame) {
        inSilence_ = 0;
        if (start_ == block_.first) {
            block_.lead = frame - start_;
        } else {
            block_.inside.Record(start_, frame);
            Raise(block_.inside.longestFrames);
        }
    }
    void Raise(uint64_t longest) {
        floor_ = std::max(floor_, longest);
        threshold_ = std::min<uint64_t>(minFrames_, floor_);
        quick_ = threshold_ >= 63;
    }

    BlockResult& block_;
    uint32_t minFrames_;
    uint64_t floor_;
    uint64_t threshold_ = 0;  // runs this long or shorter change nothing
    bool quick_ = false;
    uint64_t inSilence_ = 0;  // 1 inside a run of silent frames
    uint64_t start_ = 0;
};

// The blocks put back in order: a run open at one block's end goes on into
// the next block's lead.
class Join {
public:
    explicit Join(uint32_t minFrames) : runs(minFrames) {}

    void Add(const BlockResult& b) {
        if (b.frames == 0) return;
        if (b.lead == b.frames) {
            if (!inSilence_) Open(b.first);
            return;
        }
        if (b.lead > 0) {
            if (!inSilence_) Open(b.first);
            Close(b.first + b.lead);
        } else if (inSilence_) {
            Close(b.first);
        }
        // The first longest run inside beats the longest so far only when longer, as it would run by run.
        if (b.inside.longestFrames > runs.longestFrames) {
            runs.longestStart = b.inside.longestStart;
            runs.longestFrames = b.inside.longestFrames;
        }
        runs.spans.insert(runs.spans.end(), b.inside.spans.begin(), b.inside.spans.end());
        if (b.trailing) Open(b.trailStart);
    }

    RunRecorder runs;

private:
    void Open(uint64_t frame) {
        inSilence_ = true;
        start_ = frame;
    }
    void Close(uint64_t frame) {
        inSilence_ = false;
        runs.Record(start_, frame);
    }

    bool inSilence_ = false;
    uint64_t start_ = 0;
};

// What the threads share: the scan's facts, fixed, and its state.
struct ScanFacts {
    const ScanSettings& settings;
    AnalysisJob& job;
    int fd;
    int64_t dataOffset;
    uint64_t dataSize;
    uint64_t align;
    uint64_t totalFrames;
    uint64_t blockFrames;
    uint64_t pieceFrames;
    uint32_t minFrames;
    const FrameClassifier& classifier;
    const PeakScanner* peaks;  // null: no overview
    uint16_t* columns;         // the overview's peaks
    std::size_t columnCount;
    std::vector<BlockResult>& results;
};

struct Shared : ScanFacts {
    explicit Shared(const ScanFacts& facts) : ScanFacts(facts) {}

    std::atomic<uint64_t> next{0};            // the next block to take
    std::atomic<uint64_t> cutAt{UINT64_MAX};  // the first block found cut short so far
    std::atomic<bool> stop{false};            // an abort or a failure: take no more blocks
    std::atomic<bool> aborted{false};
    std::mutex progressLock;  // so the percentages written never go down
    uint64_t bytesDone = 0;
};

// One thread's share: blocks taken one at a time until none is left.
class Worker {
public:
    explicit Worker(Shared& s) : s_(s), mapping_(s.settings.Source == ScanSource::Map) {
        mask_.resize(std::size_t(s.pieceFrames / 64));
    }

    void Run() {
        while (!s_.stop.load()) {
            const uint64_t b = s_.next.fetch_add(1);
            // A block after one cut short would be thrown away.
            if (b >= s_.results.size() || b > s_.cutAt.load()) return;
            if (s_.job.AbortRequested.load()) {
                s_.aborted.store(true);
                s_.stop.store(true);
                return;
            }
            if (s_.settings.BeforeBlock) s_.settings.BeforeBlock(b);
            BlockResult& block = s_.results[std::size_t(b)];
            ScanBlock(b, block);
            {
                const std::lock_guard<std::mutex> hold(s_.progressLock);
                s_.bytesDone += block.frames * s_.align;
                s_.job.Progress.store(int32_t(s_.bytesDone * 100 / s_.dataSize));
            }
            if (block.cut) {
                uint64_t cut = s_.cutAt.load();
                while (b < cut && !s_.cutAt.compare_exchange_weak(cut, b)) {
                }
            }
        }
    }

private:
    // The arguments of a guarded read of a mapped window.
    struct MappedScan {
        Worker* worker;
        BlockResult* block;
        BlockRuns* runs;
        const uint8_t* data;
        uint64_t frames;
    };

    void ScanBlock(uint64_t b, BlockResult& block) {
        const uint64_t first = b * s_.blockFrames;
        const uint64_t want = std::min(s_.blockFrames, s_.totalFrames - first);
        const int64_t offset = s_.dataOffset + int64_t(first * s_.align);
        Start(block, first, want, false);
        if (mapping_) {
            const bool mapped = s_.settings.MapWindow != nullptr
                                    ? s_.settings.MapWindow(view_, s_.fd, offset, std::size_t(want * s_.align))
                                    : view_.Map(s_.fd, offset, std::size_t(want * s_.align));
            if (mapped) {
                if (s_.settings.AfterMap) s_.settings.AfterMap(b);
                BlockRuns runs(block, s_.minFrames, floor_);
                MappedScan scan{this, &block, &runs, view_.data(), view_.size() / s_.align};
                const bool whole = platform::ReadGuarded(view_.data(), view_.data() + view_.size(), ScanMapped,
                                                         &scan) &&
                                   view_.Intact();
                view_.Reset();
                if (whole) {
                    runs.Finish(first + scan.frames);
                    block.frames = scan.frames;
                    block.cut = scan.frames < want;
                    floor_ = std::max(floor_, block.inside.longestFrames);
                    return;
                }
                // Cut short under the mapping (SIGBUS, or zeros in its last
                // page): read the block instead, which ends where the file now does.
                Start(block, first, want, true);
            } else {
                mapping_ = false;  // this file is read from here on
            }
        }
        // Not cleared first: every byte scanned is read into it.
        if (!buffer_) buffer_ = std::make_unique_for_overwrite<uint8_t[]>(std::size_t(s_.pieceFrames * s_.align));
        BlockRuns runs(block, s_.minFrames, floor_);
        uint64_t done = 0;
        while (done < want) {
            const uint64_t n = std::min(s_.pieceFrames, want - done);
            const int64_t got = platform::ReadAt(s_.fd, offset + int64_t(done * s_.align), buffer_.get(),
                                                 int64_t(n * s_.align));
            const uint64_t gotFrames = got > 0 ? uint64_t(got) / s_.align : 0;
            ScanPiece(buffer_.get(), gotFrames, first + done, block, runs);
            done += gotFrames;
            if (got != int64_t(n * s_.align)) {
                block.cut = true;
                break;
            }
        }
        runs.Finish(first + done);
        block.frames = done;
        floor_ = std::max(floor_, block.inside.longestFrames);
    }

    // A block begun, or begun again (its own columns cleared of what was read before).
    void Start(BlockResult& block, uint64_t first, uint64_t want, bool again) {
        block = BlockResult{};
        block.first = first;
        block.inside = RunRecorder(s_.minFrames);
        if (s_.peaks != nullptr) {
            const uint64_t columnFrames = s_.peaks->ColumnFrames();
            block.ownedFirst = std::min<uint64_t>((first + columnFrames - 1) / columnFrames, s_.columnCount);
            block.ownedEnd = std::min<uint64_t>((first + want + columnFrames - 1) / columnFrames, s_.columnCount);
            block.head = first % columnFrames != 0;
            if (again) std::fill(s_.columns + block.ownedFirst, s_.columns + block.ownedEnd, uint16_t(0));
        }
    }

    // Reached through ReadGuarded, which may leave it at any read of the
    // window: nothing here or below needs destroying.
    static void ScanMapped(void* context) {
        const MappedScan& scan = *static_cast<MappedScan*>(context);
        Worker& w = *scan.worker;
        for (uint64_t done = 0; done < scan.frames; done += w.s_.pieceFrames) {
            const uint64_t n = std::min(w.s_.pieceFrames, scan.frames - done);
            w.ScanPiece(scan.data + done * w.s_.align, n, scan.block->first + done, *scan.block, *scan.runs);
        }
    }

    void ScanPiece(const uint8_t* frames, uint64_t n, uint64_t first, BlockResult& block, BlockRuns& runs) {
        if (n == 0) return;
        if (s_.peaks == nullptr) {
            s_.classifier.Classify(frames, std::size_t(n), mask_.data());
        } else {
            // The peaks in the same pass where the classifier can; the rest after.
            const ColumnPeaks into{s_.peaks->ColumnFrames(), s_.columns, block.head ? block.ownedFirst - 1 : UINT64_MAX,
                                   &block.headPeak};
            const std::size_t done = s_.classifier.ClassifyWithPeaks(frames, std::size_t(n), mask_.data(), first, into);
            const uint8_t* rest = frames + done * s_.align;
            const uint64_t restFirst = first + done;
            const std::size_t restCount = std::size_t(n) - done;
            if (block.head) s_.peaks->Feed(restFirst, rest, restCount, &block.headPeak, block.ownedFirst - 1, 1);
            s_.peaks->Feed(restFirst, rest, restCount, s_.columns + block.ownedFirst, block.ownedFirst,
                           std::size_t(block.ownedEnd - block.ownedFirst));
        }
        runs.Feed(mask_.data(), std::size_t(n), first);
    }

    Shared& s_;
    bool mapping_;
    // The longest run inside this thread's blocks so far, all before the block it scans.
    uint64_t floor_ = 0;
    FileView view_;
    std::unique_ptr<uint8_t[]> buffer_;
    std::vector<uint64_t> mask_;
};

unsigned ThreadsFor(const ScanSettings& settings, std::size_t blocks) {
    unsigned threads = settings.Threads;
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxScanThreads);
    return unsigned(std::max<std::size_t>(1, std::min<std::size_t>(threads, blocks)));
}

// The declared frames, or one past what the file holds when it holds fewer:
// that frame's read comes up short and ends the scan as a short read, and a
// size field far beyond the file (a 64-bit one can claim petabytes) costs no
// more blocks than the file has.
uint64_t FramesToScan(int fd, int64_t dataOffset, uint64_t declared, uint64_t align) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size <= dataOffset) return std::min<uint64_t>(declared, 1);
    return std::min<uint64_t>(declared, uint64_t(st.st_size - dataOffset) / align + 1);
}

}  // namespace

ScanResult ScanDataChunk(int fd, int64_t dataOffset, uint64_t dataSize, const WaveFormat& format,
                         int32_t amplitudePercent, uint32_t minFrames, AnalysisJob& job, OverviewBuilder* overview,
                         const ScanSettings& settings) {
    const uint64_t align = format.nBlockAlign;
    const uint64_t totalFrames = FramesToScan(fd, dataOffset, dataSize / align, align);
    const uint64_t blockFrames = std::max<uint64_t>(1, settings.BlockBytes / align);
    const uint64_t pieceFrames = std::max<uint64_t>(64, settings.PieceBytes / align / 64 * 64);
    const FrameClassifier classifier(format, amplitudePercent, settings.Vectors);
    std::vector<BlockResult> results(std::size_t((totalFrames + blockFrames - 1) / blockFrames));
    Shared shared(ScanFacts{settings, job, fd, dataOffset, dataSize, align, totalFrames, blockFrames, pieceFrames,
                            minFrames, classifier, overview != nullptr ? &overview->Scanner() : nullptr,
                            overview != nullptr ? overview->Columns() : nullptr,
                            overview != nullptr ? overview->ColumnCount() : 0, results});

    const unsigned threads = ThreadsFor(settings, results.size());
    std::vector<std::exception_ptr> failures(threads);
    const auto work = [&shared, &failures](unsigned i) {
        try {
            Worker(shared).Run();
        } catch (...) {
            failures[i] = std::current_exception();
            shared.stop.store(true);
        }
    };
    {
        std::vector<std::jthread> helpers;  // joined on leaving this block, whatever happens
        helpers.reserve(threads - 1);
        for (unsigned i = 1; i < threads; ++i) {
            try {
                helpers.emplace_back(work, i);
            } catch (const std::system_error&) {
                break;  // no more threads to be had: the others take the blocks
            }
        }
        work(0);
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }

    ScanResult result;
    if (shared.aborted.load()) {
        result.Outcome = ScanOutcome::Aborted;
        return result;
    }
    Join join(minFrames);
    for (const BlockResult& block : results) {
        join.Add(block);
        if (overview != nullptr && block.head) overview->MergeColumns(block.ownedFirst - 1, &block.headPeak, 1);
        result.FramesScanned = block.first + block.frames;
        if (block.cut) {
            result.Outcome = ScanOutcome::ShortRead;
            break;
        }
    }
    result.Spans = std::move(join.runs.spans);
    result.LongestStart = join.runs.longestStart;
    result.LongestFrames = join.runs.longestFrames;
    return result;
}

}  // namespace quillon::engine
