#pragma once
// MP3 saves, the window's side: the readiness check before the job (an
// encoder, and a codec and bit rate that fit the source, asked for when
// needed), the job's conversion step, and the status of a conversion in progress.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "export/SaveJob.h"

namespace quillon::app {

class FormPanel;
class TSaveAsMP3Form;
class TCodecMessageForm;

class Mp3Handlers {
public:
    explicit Mp3Handlers(FormPanel& form);

    bool LameAvailable = false;    // the LAME shim loaded at start-up, before the dialogs
    std::string CurrentCodecName;  // of the next MP3 save
    uint16_t CurrentBitRate = 0;   // kbit/s
    TSaveAsMP3Form* SaveAsMP3Form = nullptr;
    TCodecMessageForm* CodecMessageForm = nullptr;
    // The window's current save, which LAME's progress reports must still
    // concern; set by the save's handlers.
    std::function<std::shared_ptr<engine::SaveJob>()> CurrentSave;

    // Makes sure an MP3 save can run; true to go on.
    [[nodiscard]] bool CheckMp3Readiness();
    // The save job's conversion step for job.
    [[nodiscard]] decltype(engine::SaveHooks::ConvertToMp3) ConvertStep(const std::shared_ptr<engine::SaveJob>& job);
    // The status panel and bar while job converts (or encodes FLAC files):
    // the conversion that began first among those still running, its
    // file's name and its percent.
    void ShowMp3Status(engine::SaveJob& job);
    // Stops every conversion of an aborted job.
    void StopConversions(engine::SaveJob& job);

private:
    FormPanel& form_;
};

}  // namespace quillon::app
