#include "analysis/window/OverviewForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "analysis/SilenceDetect.h"
#include "analysis/SuggestThresholds.h"
#include "analysis/TrackTimes.h"
#include "analysis/window/AnalysisHandlers.h"
#include "analysis/window/LevelView.h"
#include "analysis/window/SampleReader.h"
#include "app/ErrorCodes.h"
#include "app/window/FormPanel.h"
#include "app/window/QtSeams.h"
#include "app/window/WorkerThreads.h"
#include "settings/Settings.h"

namespace quillon::app {
namespace {

uint32_t FrameMs(uint64_t frame, const engine::LevelOverview& overview) {
    return overview.SamplesPerSec == 0 ? 0 : uint32_t(frame * 1000 / overview.SamplesPerSec);
}

QString Tracks(int count) { return QString::fromStdString(engine::TracksText(count)); }

constexpr const char* kTitle = "Quillon Overview";

// What Analyze makes of the fields: the settings of every later analysis.
QString KeptAsSettings(int percent, int seconds) {
    return QString("%1 % / %2 s as the settings").arg(percent).arg(seconds);
}
constexpr const char* kEveryLater = " for every later recording and for the command line";

}  // namespace

// A Find's record: the worker's job (abort, progress) and what it found.
struct TOverviewForm::FindTask {
    engine::AnalysisJob Job;
    std::atomic<bool> AbortPressed{false};
    engine::ThresholdRequest Request;
    std::optional<engine::ThresholdAnswer> Answer;
    bool AnalyzeWasEnabled = false;  // the main window's Analyze, given back when the Find ends
};

TOverviewForm::TOverviewForm(FormPanel& form, AnalysisHandlers& analysis, OverviewHooks hooks)
    : QWidget(&form.Window(), Qt::Window), Edits(form), form_(form), analysis_(analysis), hooks_(std::move(hooks)) {
    setObjectName("OverviewForm");
    setWindowTitle(kTitle);
    MakeControls();
    follow_ = new QTimer(this);
    follow_->setInterval(100);
    connect(follow_, &QTimer::timeout, this, [this] { FollowTheWindow(); });
    form.WatchTrackList(
        *this, [this] { RefreshTracks(); }, [this] { Refresh(); });
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
    KeepAmplitudeCheck = new QCheckBox("&Keep this amplitude", this);
    KeepAmplitudeCheck->setToolTip("Find chooses only the duration, for the amplitude in the field");
    AnalyzeButton = new QPushButton("&Analyze", this);
    ShowOnOneTrackCheck = new QCheckBox("Show this window when one track is found", this);
    ShowOnOneTrackCheck->setToolTip(
        "After an analysis that finds a single track in a recording of more than "
        "three minutes, once for each file");
    ShowOnOneTrackCheck->setChecked(true);
    CountLabel = new QLabel(this);
    ReportLabel = new QLabel(this);
    ReportLabel->setWordWrap(true);
    PointerLabel = new QLabel(this);
    StatusLabel = new QLabel(this);
    StatusLabel->setWordWrap(true);
    UseClosestButton = new QPushButton("Use &closest", this);
    UseClosestButton->setToolTip("Fill the fields with the closest thresholds Find offers");
    UseClosestButton->hide();

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
    fields->addWidget(KeepAmplitudeCheck);
    fields->addStretch();
    auto* status = new QHBoxLayout;
    status->addWidget(StatusLabel, 1);
    status->addWidget(UseClosestButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(View, 1);
    MakeViewControls();
    auto* viewRow = new QHBoxLayout;
    viewRow->addWidget(ScrollBar, 1);
    viewRow->addWidget(WholeButton);
    viewRow->addWidget(AxisBox);
    layout->addLayout(viewRow);
    layout->addLayout(fields);
    layout->addWidget(CountLabel);
    auto* report = new QHBoxLayout;
    report->addWidget(ReportLabel, 1);
    report->addWidget(ShowOnOneTrackCheck, 0, Qt::AlignTop);
    layout->addLayout(report);
    layout->addWidget(PointerLabel);
    layout->addLayout(status);

    connect(AmplitudeEdit, &QSpinBox::valueChanged, this, [this] { RefreshCuts(); });
    connect(DurationEdit, &QSpinBox::valueChanged, this, [this] { RefreshCuts(); });
    connect(FindButton, &QPushButton::clicked, this, [this] { FindButtonClick(); });
    connect(AnalyzeButton, &QPushButton::clicked, this, [this] { AnalyzeButtonClick(); });
    connect(UseClosestButton, &QPushButton::clicked, this, [this] { UseClosestButtonClick(); });
    connect(ShowOnOneTrackCheck, &QCheckBox::clicked, this, [this] { StoreShowOnOneTrack(); });
    connect(View, &LevelView::pointed, PointerLabel, &QLabel::setText);
    connect(View, &LevelView::trackClicked, this, [this](int row) { SelectRow(row); });
    ConnectView();
    resize(760, 380);
}

void TOverviewForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        const engine::SettingsFile settings;
        AmplitudeEdit->setValue(settings.Read(engine::keys::SilenceAmplitude));
        DurationEdit->setValue(settings.Read(engine::keys::SilenceDuration));
        ShowOnOneTrackCheck->setChecked(settings.Read(engine::keys::ShowOverviewOnOneTrack));
        if (!placed_) RestorePlace();
        placed_ = true;
        const int32_t axis = settings.ReadInRange(engine::keys::OverviewAxis, 0, 1);
        const QSignalBlocker blocker(AxisBox);
        AxisBox->setCurrentIndex(axis);
        View->SetLevelAxis(LevelAxis(axis));
        Refresh();
    }
    follow_->start();
    QWidget::showEvent(event);
}

void TOverviewForm::hideEvent(QHideEvent* event) {
    follow_->stop();
    AbortFind();
    Edits.Cancel();
    if (!event->spontaneous()) StorePlace();
    QWidget::hideEvent(event);
}

void TOverviewForm::Refresh() {
    const AnalysisHandlers::Finished& last = analysis_.LastAnalysis;
    if (last.Report.Overview.Peaks.data() != shownPeaks_) {
        // A new analysis (or its start, which empties the overview).
        shownPeaks_ = last.Report.Overview.Peaks.data();
        std::optional<SampleSource> source;
        if (last.Report.Source) source = SampleSource{form_.CurrentWaveFile, *last.Report.Source};
        Samples->SetSource(std::move(source));
        View->SetOverview(&last.Report.Overview);
    }
    if (!last.Report.Overview.Empty()) TracksEdit->setValue(std::max(1, int(form_.TrackList.size())));
    PointerLabel->clear();
    if (!find_) {
        if (last.Report.Overview.Empty() && keptAnalysed_) keptNote_.clear();
        if (!last.Report.Overview.Empty()) keptAnalysed_ = true;
        StatusLabel->setText(keptNote_);
        UseClosestButton->hide();
        closest_.reset();
    }
    ReportLabel->setText(last.Report.Nothing && form_.TrackList.size() == 1
                             ? QString::fromStdString(engine::DescribeNothingFound(*last.Report.Nothing))
                             : QString());
    RefreshTracks();
    RefreshCuts();
    FollowTheWindow();
}

void TOverviewForm::RefreshTracks() {
    std::vector<TrackMark> marks;
    const std::vector<engine::RowMark> rows = form_.RowMarks();
    for (std::size_t i = 0; i < form_.TrackList.size() && i < rows.size(); ++i) {
        const engine::TRACK_INFO_STRUCT& t = form_.TrackList[i];
        marks.push_back({engine::TrackMs(t.Start), engine::TrackMs(t.Stop), rows[i].checked, rows[i].selected});
    }
    View->SetTracks(std::move(marks));
}

void TOverviewForm::RefreshCuts() {
    const AnalysisHandlers::Finished& last = analysis_.LastAnalysis;
    const engine::LevelOverview& overview = last.Report.Overview;
    const int32_t percent = AmplitudeEdit->value();
    const int32_t minMs = DurationEdit->value() * 1000;
    std::vector<MsSpan> quiet;
    std::optional<std::vector<uint32_t>> preview;
    if (overview.Empty()) {
        CountLabel->setText(LevelView::kNothingYet);
    } else if (percent == last.AmplitudePercent && minMs == last.MinSilenceMs) {
        // The analysis's own silences, exactly.
        for (const engine::SilenceSpan& s : last.Report.Silences) {
            quiet.push_back({FrameMs(s.StartFrame, overview), FrameMs(s.EndFrame, overview)});
        }
        const int listed = int(form_.TrackList.size()), analysed = int(last.Report.Silences.size()) + 1;
        // After a split or a merge the list no longer holds what the analysis gave.
        CountLabel->setText(
            listed == analysed
                ? QString("%1, analysed at %2 % and %3 s.").arg(Tracks(listed)).arg(percent).arg(minMs / 1000)
                : QString("%1 in the list; the analysis at %2 % and %3 s gave %4.")
                      .arg(Tracks(listed))
                      .arg(percent)
                      .arg(minMs / 1000)
                      .arg(analysed));
    } else {
        const uint32_t minFrames = engine::MinimumSilenceFrames(overview.SamplesPerSec, minMs);
        preview.emplace();
        for (const engine::QuietStretch& s :
             engine::QuietStretches(overview, engine::AmplitudeLimit(overview.EightBit, percent))) {
            if (s.Frames > minFrames) {
                quiet.push_back({FrameMs(s.StartFrame, overview), FrameMs(s.StartFrame + s.Frames, overview)});
                preview->push_back(FrameMs(s.StartFrame + s.Frames / 2, overview));
            }
        }
        CountLabel->setText(QString("%1 at %2 % and %3 s (a preview; Analyze cuts them).")
                                .arg(Tracks(int(preview->size()) + 1))
                                .arg(percent)
                                .arg(minMs / 1000));
    }
    View->SetCuts(std::move(quiet), std::move(preview), percent);
    const CutChanges& changes = View->Changes();
    if (!changes.Added.empty() || !changes.Dropped.empty()) {
        CountLabel->setText(CountLabel->text() + QString(" %1 added (dashed), %2 of the list's dropped (crossed).")
                                                     .arg(changes.Added.size() == 1
                                                              ? QString("1 cut")
                                                              : QString("%1 cuts").arg(changes.Added.size()))
                                                     .arg(changes.Dropped.size()));
    }
    RefreshAnalyzeTip();
}

void TOverviewForm::RefreshAnalyzeTip() {
    AnalyzeButton->setToolTip("Analyze and keep " + KeptAsSettings(AmplitudeEdit->value(), DurationEdit->value()) +
                              kEveryLater);
}

void TOverviewForm::FollowTheWindow() {
    const bool busy = form_.UiBusy.load() || form_.SaveRunning.load() || form_.Previewing.load();
    const bool haveRecording = !analysis_.LastAnalysis.Report.Overview.Empty();
    AnalyzeButton->setEnabled(!busy && haveRecording);
    FindButton->setEnabled(!busy && haveRecording);
    std::optional<uint32_t> playing;
    if (form_.Previewing.load() && hooks_.PlayPosition) playing = hooks_.PlayPosition();
    View->SetPlayPosition(playing);
    setWindowTitle(playing
                       ? QString("%1 - playing %2").arg(kTitle, QString::fromStdString(engine::FormatTime(*playing)))
                       : QString(kTitle));
}

void TOverviewForm::ShowFind() {
    show();
    raise();
    activateWindow();
    TracksEdit->setFocus(Qt::OtherFocusReason);
    TracksEdit->selectAll();
}

void TOverviewForm::StoreShowOnOneTrack() {
    try {
        engine::SettingsFile().Write(engine::keys::ShowOverviewOnOneTrack, ShowOnOneTrackCheck->isChecked());
    } catch (const engine::RaisedError& error) {
        engine::ShowRaisedError(form_.Seam(), error);
    }
}

void TOverviewForm::SelectRow(int row) {
    if (form_.SaveRunning.load() || form_.ListLocked()) return;
    form_.SelectRow(row);
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
    // The values outlive this window: say so in both status lines, in short
    // where the main window's message panel has room for no more.
    const QString kept = "Kept " + KeptAsSettings(AmplitudeEdit->value(), DurationEdit->value());
    keptNote_ = kept + kEveryLater + ".";
    keptAnalysed_ = false;
    form_.SetStatusText(kept);
    form_.SetFileNameText(QString::fromStdString(form_.CurrentWaveFile));
    analysis_.analyzeButtonClick();
    FollowTheWindow();
}

void TOverviewForm::FindButtonClick() {
    if (!FindButton->isEnabled() || form_.UiBusy.load() || find_) return;
    auto task = std::make_shared<FindTask>();
    task->Request.Expected = TracksEdit->value();
    task->Request.Current = {AmplitudeEdit->value(), DurationEdit->value(), 0};
    if (KeepAmplitudeCheck->isChecked()) task->Request.KeepPercent = AmplitudeEdit->value();
    task->Job.State.store(engine::JobRunning);
    find_ = task;
    form_.UiBusy.store(true);
    // One job at a time: the main window's Analyze waits for the Find.
    task->AnalyzeWasEnabled = form_.Enabled(Control::Analyze);
    form_.SetEnabled(Control::Analyze, false);
    closest_.reset();
    keptNote_.clear();
    UseClosestButton->hide();
    StatusLabel->setText(QString("Finding the thresholds for %1...").arg(Tracks(task->Request.Expected)));
    FollowTheWindow();
    const engine::LevelOverview& overview = analysis_.LastAnalysis.Report.Overview;
    const bool started = form_.Workers().Start([this, task, overview, path = form_.CurrentWaveFile]() mutable {
        WorkerSeam seam(form_, task, task.get(), task->Job.AbortRequested, task->AbortPressed);
        task->Answer = engine::SuggestThresholds(path, overview, task->Request, task->Job, seam);
        return std::function<void()>([this, task] { FindEnded(task); });
    });
    if (!started) FindEnded(task);
}

void TOverviewForm::FindEnded(const std::shared_ptr<FindTask>& task) {
    if (find_ != task) return;
    find_.reset();
    form_.UiBusy.store(false);
    if (task->AnalyzeWasEnabled) form_.SetEnabled(Control::Analyze, true);
    ShowAnswer(*task);
    RefreshCuts();
    FollowTheWindow();
}

void TOverviewForm::ShowAnswer(const FindTask& task) {
    if (!task.Answer || task.Job.AbortRequested.load()) {
        StatusLabel->setText(task.Job.AbortRequested.load() ? QString("Find stopped.") : QString());
        return;
    }
    const engine::ThresholdAnswer& answer = *task.Answer;
    StatusLabel->setText(QString::fromStdString(engine::DescribeAnswer(answer, task.Request)));
    if (!answer.Found) {
        closest_ = answer.Choice;
        UseClosestButton->show();
        return;
    }
    const QSignalBlocker amplitude(AmplitudeEdit), duration(DurationEdit);
    AmplitudeEdit->setValue(answer.Choice.AmplitudePercent);
    DurationEdit->setValue(answer.Choice.DurationSeconds);
}

void TOverviewForm::UseClosestButtonClick() {
    if (!closest_) return;
    {
        const QSignalBlocker amplitude(AmplitudeEdit), duration(DurationEdit);
        AmplitudeEdit->setValue(closest_->AmplitudePercent);
        DurationEdit->setValue(closest_->DurationSeconds);
    }
    UseClosestButton->hide();
    RefreshCuts();
}

void TOverviewForm::AbortFind() {
    if (!find_) return;
    find_->AbortPressed.store(true);
    find_->Job.MarkAborted();
}

}  // namespace quillon::app
