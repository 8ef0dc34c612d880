#include "cli/Interrupt.h"

#include <atomic>
#include <csignal>

#include "export/mp3/ConverterLibrary.h"
#include "export/mp3/Lame_dll.h"

namespace quillon::cli {
namespace {

std::atomic<engine::SaveJob*> gInterruptible{nullptr};

extern "C" void OnInterrupt(int) {
    if (engine::SaveJob* job = gInterruptible.load()) {
        job->AbortRequested.store(true);
        if (job->InMp3Phase.load()) {
            engine::LameAbortRequested.store(true);
            engine::Converter().StopConversionWavToMP3();
        }
    }
    std::signal(SIGINT, SIG_DFL);  // a second Ctrl+C ends the program at once
}

}  // namespace

InterruptStop::InterruptStop(engine::SaveJob& job) {
    gInterruptible.store(&job);
    std::signal(SIGINT, OnInterrupt);
}

InterruptStop::~InterruptStop() {
    std::signal(SIGINT, SIG_DFL);
    gInterruptible.store(nullptr);
}

}  // namespace quillon::cli
