#include "analysis/window/OverviewForm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "analysis/SilenceDetect.h"
#include "analysis/SuggestThresholds.h"
#include "analysis/TrackTimes.h"
#include "analysis/window/AnalysisHandlers.h"
#include "analysis/window/LevelView.h"
#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/TrackListView.h"
#include "preview/window/PreviewHandlers.h"
#include "settings/Settings.h"

namespace quillon::app {
namespace {

uint32_t Ms(const std::string& time) { return uint32_t(engine::TimeTextToMs(time)); }

uint32_t FrameMs(uint64_t frame, const engine::LevelOverview& overview) {
    return overview.SamplesPerSec == 0 ? 0 : uint32_t(frame * 1000 / overview.SamplesPerSec);
}

QString Tracks(int count) { return count == 1 ? QString("1 track") : QString("%1 tracks").arg(count); }

}  // namespace

// A Find's record: the worker's job (abort, progress) and what it found.
struct TOverviewForm::FindTask {
    engine::AnalysisJob Job;
    std::atomic<bool> AbortPressed{false};
    std::optional<engine::ThresholdChoice> Choice;
    int32_t Expected = 0;
};

TOverviewForm::TOverviewForm(TMainForm& form) : QWidget(&form, Qt::Window), form_(form) {
    setObjectName("OverviewForm");
    setWindowTitle("Quillon Overview");
    MakeControls();
    follow_ = new QTimer(this);
    follow_->setInterval(100);
    connect(follow_, &QTimer::timeout, this, [this] { FollowTheWindow(); });
    connect(form.TrackListView, &QTreeWidget::itemChanged, this, [this] { RefreshTracks(); });
    connect(form.TrackListView, &QTreeWidget::itemSelectionChanged, this, [this] { RefreshTracks(); });
    connect(&form, &TMainForm::trackListShown, this, [this] { Refresh(); });
}

TOverviewForm::~TOverviewForm() { AbortFind(); }

void TOverviewForm::MakeControls() {
    View = new LevelView(this);
    AmplitudeEdit = new QSpinBox(this);
    AmplitudeEdit->setRange(1, 100);
    AmplitudeEdit->setSuffix(" %");
    DurationEdit = new QSpinBox(this);
    DurationEdit->setRange(1, 100);
    DurationEdit->setSuffix(" s");
    TracksEdit = new QSpinBox(this);
    TracksEdit->setRange(1, 9999);
    FindButton = new QPushButton("&Find", this);
    AnalyzeButton = new QPushButton("&Analyze", this);
    CountLabel = new QLabel(this);
    ReportLabel = new QLabel(this);
    ReportLabel->setWordWrap(true);
    PointerLabel = new QLabel(this);

    auto* fields = new QHBoxLayout;
    const auto field = [this, fields](const char* caption, QSpinBox* edit) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(edit);
        fields->addWidget(label);
        fields->addWidget(edit);
    };
    field("Silence a&mplitude:", AmplitudeEdit);
    field("&Duration:", DurationEdit);
    fields->addWidget(AnalyzeButton);
    fields->addSpacing(16);
    field("&Tracks:", TracksEdit);
    fields->addWidget(FindButton);
    fields->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(View, 1);
    layout->addLayout(fields);
    layout->addWidget(CountLabel);
    layout->addWidget(ReportLabel);
    layout->addWidget(PointerLabel);

    connect(AmplitudeEdit, &QSpinBox::valueChanged, this, [this] { RefreshCuts(); });
    connect(DurationEdit, &QSpinBox::valueChanged, this, [this] { RefreshCuts(); });
    connect(FindButton, &QPushButton::clicked, this, [this] { FindButtonClick(); });
    connect(AnalyzeButton, &QPushButton::clicked, this, [this] { AnalyzeButtonClick(); });
    connect(View, &LevelView::pointed, PointerLabel, &QLabel::setText);
    connect(View, &LevelView::trackClicked, this, [this](int row) { SelectRow(row); });
    resize(760, 360);
}

void TOverviewForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        const engine::SettingsFile settings;
        AmplitudeEdit->setValue(settings.Read(engine::keys::SilenceAmplitude));
        DurationEdit->setValue(settings.Read(engine::keys::SilenceDuration));
        if (!placed_) RestorePlace();
        placed_ = true;
        Refresh();
    }
    follow_->start();
    QWidget::showEvent(event);
}

void TOverviewForm::hideEvent(QHideEvent* event) {
    follow_->stop();
    AbortFind();
    if (!event->spontaneous()) StorePlace();
    QWidget::hideEvent(event);
}

void TOverviewForm::Refresh() {
    const AnalysisHandlers::Finished& last = form_.Analysis().LastAnalysis;
    View->SetOverview(&last.Report.Overview);
    if (!last.Report.Overview.Empty()) TracksEdit->setValue(std::max(1, int(form_.TrackList.size())));
    ReportLabel->setText(last.Report.Nothing && form_.TrackList.size() == 1
                             ? QString::fromStdString(engine::DescribeNothingFound(*last.Report.Nothing))
                             : QString());
    RefreshTracks();
    RefreshCuts();
    FollowTheWindow();
}

void TOverviewForm::RefreshTracks() {
    std::vector<TrackMark> marks;
    const TTrackListView& list = *form_.TrackListView;
    for (std::size_t i = 0; i < form_.TrackList.size() && int(i) < list.RowCount(); ++i) {
        const engine::TRACK_INFO_STRUCT& t = form_.TrackList[i];
        marks.push_back({Ms(t.Start), Ms(t.Stop), list.IsChecked(int(i)), list.Row(int(i))->isSelected()});
    }
    View->SetTracks(std::move(marks));
}

void TOverviewForm::RefreshCuts() {
    const AnalysisHandlers::Finished& last = form_.Analysis().LastAnalysis;
    const engine::LevelOverview& overview = last.Report.Overview;
    const int32_t percent = AmplitudeEdit->value();
    const int32_t minMs = DurationEdit->value() * 1000;
    std::vector<MsSpan> quiet;
    std::vector<uint32_t> preview;
    if (overview.Empty()) {
        CountLabel->clear();
    } else if (percent == last.AmplitudePercent && minMs == last.MinSilenceMs) {
        // The analysis's own silences, exactly.
        for (const engine::SilenceSpan& s : last.Report.Silences) {
            quiet.push_back({FrameMs(s.StartFrame, overview), FrameMs(s.EndFrame, overview)});
        }
        CountLabel->setText(QString("%1, analysed at %2 % and %3 s.")
                                .arg(Tracks(int(form_.TrackList.size())))
                                .arg(percent)
                                .arg(minMs / 1000));
    } else {
        const uint32_t minFrames = engine::MinimumSilenceFrames(overview.SamplesPerSec, minMs);
        for (const engine::QuietStretch& s :
             engine::QuietStretches(overview, engine::AmplitudeLimit(overview.EightBit, percent))) {
            if (s.Frames > minFrames) {
                quiet.push_back({FrameMs(s.StartFrame, overview), FrameMs(s.StartFrame + s.Frames, overview)});
                preview.push_back(FrameMs(s.StartFrame + s.Frames / 2, overview));
            }
        }
        CountLabel->setText(QString("%1 at %2 % and %3 s (a preview; Analyze cuts them).")
                                .arg(Tracks(int(preview.size()) + 1))
                                .arg(percent)
                                .arg(minMs / 1000));
    }
    View->SetCuts(std::move(quiet), std::move(preview), percent);
}

void TOverviewForm::FollowTheWindow() {
    const bool busy = form_.UiBusy.load() || form_.SaveRunning.load() || form_.Previewing.load();
    const bool haveRecording = !form_.Analysis().LastAnalysis.Report.Overview.Empty();
    AnalyzeButton->setEnabled(!busy && haveRecording);
    FindButton->setEnabled(!busy && haveRecording);
    std::optional<uint32_t> playing;
    if (form_.Previewing.load()) {
        const uint32_t position = form_.Preview().Player.AudioGetPosition();
        if (position != 0) playing = position;
    }
    View->SetPlayPosition(playing);
}

void TOverviewForm::SelectRow(int row) {
    TTrackListView& list = *form_.TrackListView;
    if (form_.SaveRunning.load() || form_.ListLocked() || row < 0 || row >= list.RowCount()) return;
    list.clearSelection();
    list.Row(row)->setSelected(true);
    list.scrollToItem(list.Row(row));
}

void TOverviewForm::AnalyzeButtonClick() {
    if (!AnalyzeButton->isEnabled() || form_.UiBusy.load()) return;
    try {
        const engine::SettingsFile settings;
        settings.Write(engine::keys::SilenceAmplitude, AmplitudeEdit->value());
        settings.Write(engine::keys::SilenceDuration, DurationEdit->value());
    } catch (const engine::RaisedError& error) {
        engine::ShowRaisedError(form_.Seam(), error);
        return;
    }
    form_.FileNameEdit->setText(QString::fromStdString(form_.CurrentWaveFile));
    form_.Analysis().analyzeButtonClick();
    FollowTheWindow();
}

void TOverviewForm::FindButtonClick() {
    if (!FindButton->isEnabled() || form_.UiBusy.load() || find_) return;
    auto task = std::make_shared<FindTask>();
    task->Expected = TracksEdit->value();
    task->Job.State.store(engine::JobRunning);
    find_ = task;
    form_.UiBusy.store(true);
    CountLabel->setText(QString("Finding the thresholds for %1...").arg(Tracks(task->Expected)));
    FollowTheWindow();
    const engine::LevelOverview& overview = form_.Analysis().LastAnalysis.Report.Overview;
    const bool started = form_.Workers().Start(
        [this, task, overview, path = form_.CurrentWaveFile, current = AmplitudeEdit->value()]() mutable {
            WorkerSeam seam(form_, task, task.get(), task->Job.AbortRequested, task->AbortPressed);
            task->Choice = engine::SuggestThresholds(path, overview, task->Expected, current, task->Job, seam);
            return std::function<void()>([this, task] { FindEnded(task); });
        });
    if (!started) FindEnded(task);
}

void TOverviewForm::FindEnded(const std::shared_ptr<FindTask>& task) {
    if (find_ != task) return;
    find_.reset();
    form_.UiBusy.store(false);
    if (task->Choice && !task->Job.AbortRequested.load()) {
        const QSignalBlocker amplitude(AmplitudeEdit), duration(DurationEdit);
        AmplitudeEdit->setValue(task->Choice->AmplitudePercent);
        DurationEdit->setValue(task->Choice->DurationSeconds);
    }
    RefreshCuts();
    if (task->Choice && task->Choice->Tracks != task->Expected) {
        CountLabel->setText(CountLabel->text() + QString(" No thresholds give %1.").arg(Tracks(task->Expected)));
    }
    FollowTheWindow();
}

void TOverviewForm::AbortFind() {
    if (!find_) return;
    find_->AbortPressed.store(true);
    find_->Job.MarkAborted();
}

void TOverviewForm::StorePlace() const {
    const QRect r = geometry();
    try {
        engine::SettingsFile().Write(
            engine::keys::OverviewWindow,
            QString("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString());
    } catch (const engine::RaisedError& error) {
        engine::ShowRaisedError(form_.Seam(), error);
    }
}

void TOverviewForm::RestorePlace() {
    const QStringList parts =
        QString::fromStdString(engine::SettingsFile().Read(engine::keys::OverviewWindow)).split(',');
    if (parts.size() != 4) return;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) return;
    }
    if (v[2] < minimumSizeHint().width() || v[3] < minimumSizeHint().height()) return;
    setGeometry(v[0], v[1], v[2], v[3]);
}

}  // namespace quillon::app
