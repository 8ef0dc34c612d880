#include "app/window/QtSeams.h"

#include <QMetaObject>
#include <QWidget>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "app/window/FormPanel.h"
#include "app/window/UserDialogs.h"

namespace quillon::app {

void FormSeam::ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                            engine::SampleKind kind, bool clear) {
    form_.ShowWaveInfo(durationMs, samplesPerSec, bitsPerSample, channels, kind, clear);
}

void FormSeam::SetStatusText(const std::string& text) { form_.SetStatusText(QString::fromStdString(text)); }

void FormSeam::StopAnalysis() { form_.StopAnalysis(); }

void FormSeam::ShowErrorBox(const std::string& text) {
    form_.Dialogs().ErrorBox(&form_.Window(), QString::fromStdString(text));
}

void FormSeam::ShowMessageBox(const std::string& text) {
    form_.Dialogs().MessageBox(&form_.Window(), QString::fromStdString(text));
}

bool FormSeam::AskYesNo(const std::string& text) {
    return form_.Dialogs().Question(&form_.Window(), QString::fromStdString(text), QuestionIcon::None);
}

namespace {

// "Wave File|*.wav" -> "Wave File (*.wav)"; "*.wav" -> "wav".
QString QtFilter(const std::string& filter) {
    const auto bar = filter.find('|');
    if (bar == std::string::npos) return QString::fromStdString(filter);
    return QString::fromStdString(filter.substr(0, bar) + " (" + filter.substr(bar + 1) + ")");
}

QString Suffix(const std::string& defaultExt) {
    const auto dot = defaultExt.rfind('.');
    return QString::fromStdString(dot == std::string::npos ? defaultExt : defaultExt.substr(dot + 1));
}

std::string ShowSaveDialog(FormPanel& form, const std::string& folder, const std::string& fileName,
                           const std::string& defaultExt, const std::string& filter) {
    return form.Dialogs()
        .SaveFileName(&form.Window(), QString::fromStdString(folder), QString::fromStdString(fileName),
                      Suffix(defaultExt), QtFilter(filter))
        .toStdString();
}

}  // namespace

std::string FormSeam::ChooseSaveFileName(const std::string& folder, const std::string& fileName,
                                         const std::string& defaultExt, const std::string& filter) {
    return ShowSaveDialog(form_, folder, fileName, defaultExt, filter);
}

namespace {

// Carries call to the window's thread without waiting for it.
template <typename Call>
void Post(FormPanel* form, Call call) {
    QMetaObject::invokeMethod(&form->Window(), std::move(call), Qt::QueuedConnection);
}

}  // namespace

template <typename Call>
void WorkerSeam::PostUnlessAborted(bool analysisOnly, Call call) {
    // Checked when the call arrives: an Abort pressed meanwhile has already
    // wound the window up, and a newer job owns the panels.
    Post(&form_,
         [form = &form_, owner = owner_, job = job_, abort = &abortPressed_, analysisOnly, call = std::move(call)] {
             if (abort->load()) return;
             if (analysisOnly ? form->IsCurrentAnalysis(job) : form->IsCurrentJob(job)) call(*form);
         });
}

void WorkerSeam::ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                              engine::SampleKind kind, bool clear) {
    PostUnlessAborted(true, [=](FormPanel& form) {
        form.ShowWaveInfo(durationMs, samplesPerSec, bitsPerSample, channels, kind, clear);
    });
}

void WorkerSeam::SetStatusText(const std::string& text) {
    PostUnlessAborted(false, [text](FormPanel& form) { form.SetStatusText(QString::fromStdString(text)); });
}

void WorkerSeam::StopAnalysis() {
    PostUnlessAborted(true, [](FormPanel& form) { form.StopAnalysis(); });
}

void WorkerSeam::ShowErrorBox(const std::string& text) { (void)WaitForBox(BoxKind::Error, text); }

void WorkerSeam::ShowMessageBox(const std::string& text) { (void)WaitForBox(BoxKind::Plain, text); }

bool WorkerSeam::AskYesNo(const std::string& text) { return WaitForBox(BoxKind::Question, text).first; }

std::string WorkerSeam::ChooseSaveFileName(const std::string& folder, const std::string& fileName,
                                           const std::string& defaultExt, const std::string& filter) {
    return WaitForBox(BoxKind::SaveDialog, {}, {folder, fileName, defaultExt, filter}).second;
}

std::pair<bool, std::string> WorkerSeam::WaitForBox(BoxKind kind, const std::string& text, const SaveRequest& save) {
    // After an abort a question or dialog is answered No unasked; a message is
    // still shown (a failure reports itself after ending its job), but not waited for.
    const bool asks = kind == BoxKind::Question || kind == BoxKind::SaveDialog;
    if (abortRequested_.load() && asks) return {false, {}};
    // Shared with the window's side, which may answer after this worker gave up.
    struct Reply {
        std::mutex mutex;
        std::condition_variable answered;
        bool done = false;
        bool yes = false;
        std::string chosen;
    };
    auto reply = std::make_shared<Reply>();
    Post(&form_, [form = &form_, kind, reply, save, message = QString::fromStdString(text)] {
        bool yes = false;
        std::string chosen;
        switch (kind) {
        case BoxKind::Error: form->Dialogs().ErrorBox(&form->Window(), message); break;
        case BoxKind::Plain: form->Dialogs().MessageBox(&form->Window(), message); break;
        case BoxKind::Question: yes = form->Dialogs().Question(&form->Window(), message, QuestionIcon::None); break;
        case BoxKind::SaveDialog:
            chosen = ShowSaveDialog(*form, save.folder, save.fileName, save.defaultExt, save.filter);
            break;
        }
        {
            std::lock_guard lock(reply->mutex);
            reply->done = true;
            reply->yes = yes;
            reply->chosen = std::move(chosen);
        }
        reply->answered.notify_all();
    });
    std::unique_lock lock(reply->mutex);
    while (!reply->done) {
        if (abortRequested_.load()) return {false, {}};
        reply->answered.wait_for(lock, std::chrono::milliseconds(20));
    }
    return {reply->yes, reply->chosen};
}

}  // namespace quillon::app
