#pragma once
// The MP3 phase of a save (and the whole of a FLAC save): the encoder threads
// and the conversions handed to them. A FLAC encoding reads its track from
// the recording and leaves no wave file behind. The job's thread asks the MP3 name and hands the conversion over, then
// goes on with the next track; each conversion's MP3 file is written under a
// temporary name and put in place when complete, and the wave file goes once
// the MP3 file is there. When the conversion fails, the wave file is the
// track's only output and stays, with a message (406 has its own); when it is
// stopped by an abort, both go. At most one conversion waits for a thread,
// so the next is ready when one ends without every wave on disk at once.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/WindowSeam.h"
#include "export/DeferredSeam.h"
#include "export/SaveJob.h"

namespace quillon::engine {

class EncoderPool {
public:
    // Runs one conversion on an encoder thread and returns its result.
    using Encode = std::function<uint16_t(Mp3Conversion& conversion, WindowSeam& seam)>;

    // threads: how many to start; fewer when the system gives fewer, and with
    // none each conversion runs on the job's thread when handed over.
    EncoderPool(SaveJob& job, const SaveHooks& hooks, unsigned threads, Encode encode);
    ~EncoderPool();
    EncoderPool(const EncoderPool&) = delete;
    EncoderPool& operator=(const EncoderPool&) = delete;

    // The MP3 name's question is being asked.
    void SetAsking(bool asking);

    // Hands the track's conversion over, waiting while one already waits for
    // a thread; shows what ended conversions left to say meanwhile.
    void Submit(std::size_t track, const std::string& waveName, bool keepWave, const std::string& mp3Name,
                const std::string& temp, WindowSeam& seam);
    // The same for a track's FLAC file: length bytes from offset of the recording.
    void SubmitFlac(std::size_t track, int64_t offset, int64_t length, const std::string& flacName,
                    const std::string& temp, WindowSeam& seam);

    // Shows what ended conversions left to say, in the order it was said.
    void ShowMessages(WindowSeam& seam);

    // Waits until every conversion has ended, showing their messages as they
    // come, and stopping them all once the job's abort is requested.
    void Finish(WindowSeam& seam);

private:
    // A conversion of track into outName (through temp), numbered in the order handed over.
    [[nodiscard]] std::shared_ptr<Mp3Conversion> NewConversion(std::size_t track, const std::string& outName,
                                                               const std::string& temp);
    void Enqueue(std::shared_ptr<Mp3Conversion> conversion, WindowSeam& seam);
    void ReportFailure(const Mp3Conversion& conversion, uint16_t result);
    // Tags a finished MP3 file before it is put in place; a failure is said, not fatal.
    void Tag(const Mp3Conversion& conversion);
    void Close();
    void StopAllIfAborted();
    void Run();
    void Convert(Mp3Conversion& conversion);
    void Keep(DeferredSeam::Call call);
    void ShowMessagesLocked(std::unique_lock<std::mutex>& lock, WindowSeam& seam);
    void UpdatePhaseLocked();

    SaveJob& job_;
    const SaveHooks& hooks_;
    Encode encode_;
    DeferredSeam seam_;
    uint64_t handedOver_ = 0;  // the job's thread only
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Mp3Conversion>> waiting_;
    std::deque<DeferredSeam::Call> messages_;
    int running_ = 0;
    bool asking_ = false;
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace quillon::engine
