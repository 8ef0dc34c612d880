// The overview's picture as a place to edit: its zoom controls, the edits
// its view reports, the context menu and the keys it shares with the main window.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

#include "analysis/TrackTimes.h"
#include "analysis/window/AnalysisHandlers.h"
#include "analysis/window/LevelView.h"
#include "analysis/window/OverviewForm.h"
#include "analysis/window/SampleReader.h"
#include "app/ErrorCodes.h"
#include "app/window/FitToText.h"
#include "app/window/FormPanel.h"
#include "app/window/QtSeams.h"
#include "settings/Settings.h"

namespace quillon::app {
namespace {

// How far before and after a cut Play around this cut reaches.
constexpr uint32_t kAroundCutMs = 2000;

}  // namespace

void TOverviewForm::MakeViewControls() {
    ScrollBar = new QScrollBar(Qt::Horizontal, this);
    ScrollBar->setToolTip("Ctrl+wheel zooms around the pointer; the wheel and the ruler scroll");
    WholeButton = new QPushButton("&Whole Recording", this);
    WholeButton->setToolTip("Show the whole recording (Home)");
    AxisBox = new QComboBox(this);
    AxisBox->addItems({"Linear level", "Level in dBFS"});
    AxisBox->setToolTip("How the level axis is drawn");
    AxisBox->setMinimumWidth(WidthForText(*AxisBox));
    Samples = new SampleReader(*View);
    // The list's Undo and Redo reach this window too.
    for (auto [name, keys, run] : {std::tuple{"Undo", QKeySequence(QKeySequence::Undo), &OverviewHooks::Undo},
                                   std::tuple{"Redo", QKeySequence("Ctrl+Shift+Z"), &OverviewHooks::Redo}}) {
        auto* action = new QAction(name, this);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, [this, run] {
            if (hooks_.*run) (hooks_.*run)();
        });
        addAction(action);
    }
}

void TOverviewForm::ConnectView() {
    connect(ScrollBar, &QScrollBar::valueChanged, this, [this](int value) { View->ShowSpan(value, View->SpanMs()); });
    connect(WholeButton, &QPushButton::clicked, View, [this] { View->ShowWhole(); });
    connect(AxisBox, &QComboBox::currentIndexChanged, this, [this](int axis) {
        View->SetLevelAxis(LevelAxis(axis));
        StoreAxis();
    });
    connect(View, &LevelView::spanChanged, this, [this] { FollowSpan(); });
    connect(View, &LevelView::boundaryTaken, this, [this] { Edits.Take(); });
    connect(View, &LevelView::boundaryDragged, this, [this](std::size_t b, uint32_t ms) { Edits.Drag(b, ms); });
    connect(View, &LevelView::boundaryDropped, this, [this] { Edits.Drop(); });
    connect(View, &LevelView::boundaryDragCancelled, this, [this] { Edits.Cancel(); });
    connect(View, &LevelView::boundaryNudged, this, [this](std::size_t b, int32_t ms) { Edits.Nudge(b, ms); });
    connect(View, &LevelView::splitWanted, this, [this](uint32_t ms) { SplitHere(ms); });
    connect(View, &LevelView::splitAtPlayWanted, this, [this] { SplitAtPlay(); });
    connect(View, &LevelView::amplitudeDragged, AmplitudeEdit, &QSpinBox::setValue);
    connect(View, &LevelView::menuWanted, this,
            [this](uint32_t ms, std::size_t b, const QPoint& at) { ShowMenu(ms, b, at); });
}

void TOverviewForm::FollowSpan() {
    const QSignalBlocker blocker(ScrollBar);
    const auto span = int(std::lround(View->SpanMs()));
    ScrollBar->setRange(0, std::max(0, int(View->TotalMs()) - span));
    ScrollBar->setPageStep(std::max(1, span));
    ScrollBar->setSingleStep(std::max(1, span / 10));
    ScrollBar->setValue(int(std::lround(View->FromMs())));
    WholeButton->setEnabled(View->SpanMs() < View->TotalMs());
}

void TOverviewForm::ShowMenu(uint32_t ms, std::size_t boundary, const QPoint& globalPos) {
    if (boundary == 0) boundary = View->SelectedBoundary();
    const bool editable = form_.CanEditList();
    const bool playable = !form_.UiBusy.load() && !form_.Previewing.load();
    const auto row = View->TrackAt(ms);
    QMenu menu(this);
    menu.addAction("&Split here", this, [this, ms] { SplitHere(ms); })
        ->setEnabled(editable && row && engine::SplitPointInside(form_.TrackList[*row], ms));
    menu.addAction("&Merge with the next track", this, [this, ms] { MergeWithNext(ms); })
        ->setEnabled(editable && row && *row + 1 < form_.TrackList.size());
    menu.addSeparator();
    menu.addAction("&Play from here", this, [this, ms] { PlayFromHere(ms); })->setEnabled(playable && row);
    menu.addAction("Play &around this cut", this, [this, boundary] { PlayAroundCut(boundary); })
        ->setEnabled(playable && boundary != 0 && boundary < form_.TrackList.size());
    menu.exec(globalPos);
}

void TOverviewForm::SplitHere(uint32_t ms) { Edits.SplitAt(ms); }

void TOverviewForm::MergeWithNext(uint32_t ms) {
    if (const auto row = View->TrackAt(ms)) Edits.MergeWithNext(*row);
}

void TOverviewForm::PlayFromHere(uint32_t ms) {
    const auto row = View->TrackAt(ms);
    if (!row || !hooks_.PlayRange) return;
    hooks_.PlayRange(ms, engine::TrackMs(form_.TrackList[*row].Stop));
    FollowTheWindow();
}

void TOverviewForm::PlayAroundCut(std::size_t boundary) {
    if (boundary == 0 || boundary >= form_.TrackList.size() || !hooks_.PlayRange) return;
    const uint32_t cut = engine::TrackMs(form_.TrackList[boundary].Start);
    hooks_.PlayRange(cut > kAroundCutMs ? cut - kAroundCutMs : 0, std::min(View->TotalMs(), cut + kAroundCutMs));
    FollowTheWindow();
}

void TOverviewForm::SplitAtPlay() {
    const std::optional<uint32_t> at = form_.Previewing.load() && hooks_.PlayPosition ? hooks_.PlayPosition()
                                                                                      : std::nullopt;
    if (!at) {
        StatusLabel->setText("S splits where a preview plays: start one with Play first.");
        return;
    }
    if (hooks_.StopPreview) hooks_.StopPreview();
    if (!Edits.SplitAt(*at)) StatusLabel->setText("The play position is not inside a track; nothing was split.");
    FollowTheWindow();
}

void TOverviewForm::StoreAxis() {
    try {
        engine::SettingsFile().Write(engine::keys::OverviewAxis, AxisBox->currentIndex());
    } catch (const engine::RaisedError& error) {
        engine::ShowRaisedError(form_.Seam(), error);
    }
}

}  // namespace quillon::app
