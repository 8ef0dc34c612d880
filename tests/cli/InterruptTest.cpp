// Ctrl+C during a save, in a process of its own: the handler must never wait
// for what the interrupted thread holds, and the conversion still stops.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "cli/Interrupt.h"
#include "export/mp3/ConverterLibrary.h"
#include "export/mp3/WaveToMP3.h"

namespace quillon::cli {
namespace {

// The converter library beside this test presses Ctrl+C while it is being
// loaded, that is while Converter() holds its lock on this thread.
void CtrlCWhileTheConverterLoads() {
    alarm(20);  // a hang ends the process, and so fails the test
    engine::SaveJob job;
    job.CodecName = engine::kAcmCodecName;
    // A conversion through the converter library, as the route attaches it.
    auto conversion = std::make_shared<engine::Mp3Conversion>();
    conversion->Started.store(true);
    job.Conversions.Add(conversion);
    job.InMp3Phase.store(true);
    uint16_t stops = 0;
    {
        const InterruptStop interrupt(job);
        const engine::ConverterCalls& calls = engine::Converter();
        conversion->Control.Attach([&calls] { calls.StopConversionWavToMP3(); },
                                   [&calls] { return int(calls.GetStatusWavToMP3()); });
        for (int i = 0; i < 1000 && stops == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            stops = engine::Converter().GetStatusWavToMP3();
        }
        conversion->Control.Detach();
    }
    std::exit(job.AbortRequested.load() && stops > 0 ? 0 : 1);
}

TEST(CliInterrupt, CtrlCWhileTheConverterLoadsStopsTheConversion) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: nothing loaded yet
    EXPECT_EXIT(CtrlCWhileTheConverterLoads(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace quillon::cli
