#pragma once
// The main window with four tracks listed, for the split, merge and preview
// tests: W 00:00-00:10, X 00:10-00:20, Y 00:20-00:25, Z 02:00-02:30 (after a gap).

#include <QStringList>

#include <initializer_list>

#include "app/window/MainForm.h"
#include "app/window/TrackListView.h"
#include "support/window/FormFixture.h"

namespace quillon::test {

class FourTracksFixture : protected FormFixture<> {
protected:
    // The form, shown, with the four tracks listed; call from init().
    [[nodiscard]] bool ShowFourTracks() {
        Prepare();
        if (!ShowForm()) return false;
        ListTracks();
        return true;
    }
    void ListTracks() {
        form_->TrackList = {{"W", "00:00:000", "00:10:000", "00:10:000", 0, 0},
                            {"X", "00:10:000", "00:20:000", "00:10:000", 0, 0},
                            {"Y", "00:20:000", "00:25:000", "00:05:000", 0, 0},
                            {"Z", "02:00:000", "02:30:000", "00:30:000", 0, 0}};
        form_->FillTrackListView();
        form_->CurrentWaveFile = "/records/side.wav";
    }
    void Check(std::initializer_list<int> rows) {
        for (int row : rows) form_->TrackListView->SetChecked(row, true);
    }
    void Select(int row) { form_->TrackListView->Row(row)->setSelected(true); }
    QStringList Names() const {
        QStringList names;
        for (const auto& t : form_->TrackList) names << QString::fromStdString(t.Name);
        return names;
    }
    bool AnyRowChecked() const {
        for (int i = 0; i < form_->TrackListView->RowCount(); ++i) {
            if (form_->TrackListView->IsChecked(i)) return true;
        }
        return false;
    }
};

}  // namespace quillon::test
