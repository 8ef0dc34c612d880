// The main window with its real dialogs and message boxes, each run modally
// with exec() and worked by a timer as a user would, once it is the active
// window: what they do to the focus, the list's selection and the other
// windows of the program.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <functional>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "app/window/HelpViewer.h"
#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "app/window/UserDialogs.h"
#include "editing/window/EditHandlers.h"
#include "editing/window/SplitUnit.h"
#include "support/window/FormFixture.h"

using namespace quillon;

namespace {

// Whether input can reach window while a modal dialog runs: it is that
// dialog, modal itself, or owned by it.
bool Usable(const QWidget* window) {
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || window->isModal()) return true;
    for (const QWidget* w = window; w != nullptr; w = w->parentWidget()) {
        if (w == modal) return true;
    }
    return false;
}

}  // namespace

class RealDialogTest : public QObject, protected test::FormFixture<app::QtUserDialogs> {
    Q_OBJECT
    // What the user does with each modal dialog that comes up, in order; a
    // step returns false to wait for another dialog. Message boxes are read
    // and closed whenever they come.
    std::deque<std::function<bool(QWidget&)>> steps_;
    QStringList boxes_;
    QTimer* hand_ = nullptr;
    // The modal dialog waited for to become active, since when, and the ones given up on.
    const QWidget* waitingFor_ = nullptr;
    QElapsedTimer waiting_;
    QStringList neverActive_;

    void Act() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        // A user answers a dialog once it is on screen with the keyboard; on a
        // real display that comes after exec() shows it, when the window
        // manager has mapped and focused it.
        if (!modal->isActiveWindow()) {
            GiveUpOnInactive(*modal);
            return;
        }
        waitingFor_ = nullptr;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes_ << box->text();
            box->done(QMessageBox::Ok);
        } else if (!steps_.empty() && steps_.front()(*modal)) {
            steps_.pop_front();
        }
    }
    // A dialog that never becomes active is closed, so that its exec()
    // returns and the case fails in cleanup() instead of hanging.
    void GiveUpOnInactive(QWidget& modal) {
        if (waitingFor_ != &modal) {
            waitingFor_ = &modal;
            waiting_.start();
        }
        if (waiting_.elapsed() < 5000) return;
        neverActive_ << modal.metaObject()->className();
        waitingFor_ = nullptr;
        if (auto* dialog = qobject_cast<QDialog*>(&modal)) dialog->reject();
        else modal.close();
    }
    // The form, shown and active, as it is when the user starts a command.
    void ShowActiveForm() {
        QVERIFY(ShowForm());
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_));
    }
    // The form, shown and active, with tracks W 0-10 s, X 10-20 s, Y 20-30 s.
    void ShowTracks() {
        ShowActiveForm();
        for (const char* name : {"W", "X", "Y"}) {
            const auto start = uint32_t(form_->TrackList.size()) * 10000;
            form_->TrackList.push_back(
                {name, engine::FormatTime(start), engine::FormatTime(start + 10000), "00:10:000", 0, 0});
        }
        form_->FillTrackListView();
    }
    // Row 0 selected and the list holding the focus, rows checked as given.
    void SelectFirstWithChecks(std::initializer_list<int> checked) {
        for (int row : checked) form_->TrackListView->SetChecked(row, true);
        form_->TrackListView->setCurrentItem(form_->TrackListView->Row(0));
        form_->TrackListView->setFocus();
        QTRY_VERIFY(form_->TrackListView->hasFocus());
    }
    template <typename Dialog>
    static std::function<bool(QWidget&)> On(std::function<void(Dialog&)> act) {
        return [act](QWidget& modal) {
            auto* dialog = qobject_cast<Dialog*>(&modal);
            if (dialog != nullptr) act(*dialog);
            return dialog != nullptr;
        };
    }

private slots:
    void init() {
        Prepare();
        steps_.clear();
        boxes_.clear();
        neverActive_.clear();
        waitingFor_ = nullptr;
        hand_ = new QTimer(this);
        connect(hand_, &QTimer::timeout, this, [this] { Act(); });
        hand_->start(20);
    }
    void cleanup() {
        delete hand_;
        DestroyForm();
        QVERIFY2(neverActive_.isEmpty(), qPrintable("never active: " + neverActive_.join(", ")));
    }

    void splitWorksOnTheSelectedRowThroughTheRealDialog() {
        ShowTracks();
        SelectFirstWithChecks({1, 2});
        steps_.push_back(On<app::TSplitForm>([](app::TSplitForm& split) {
            split.splitpointEdit->setText("00:05:000");
            QTest::mouseClick(split.OkButton, Qt::LeftButton);
        }));
        QTest::mouseClick(form_->SplitButton, Qt::LeftButton);
        QCOMPARE(boxes_, QStringList{});
        QCOMPARE(form_->TrackList.size(), std::size_t(4));
        QCOMPARE(form_->TrackList[0].Name, std::string("W.A"));
    }

    void aMessageBoxLeavesTheSelectionAlone() {
        ShowTracks();
        SelectFirstWithChecks({});
        QVERIFY(form_->PreViewTrackStartButton->Enabled());
        form_->Seam().ShowErrorBox("Something to read");
        QCOMPARE(boxes_, QStringList{"Something to read"});
        QVERIFY(form_->TrackListView->Row(0)->isSelected());
        QVERIFY(form_->PreViewTrackStartButton->Enabled());
    }

    void helpFromTheSplitDialogCanBeReadWhileHelpIsOpen() {
        ShowTracks();
        SelectFirstWithChecks({0});
        form_->HelpTopicsItem->trigger();
        QCOMPARE(boxes_, QStringList{});  // the pages were found
        QWidget* shownFromSplit = nullptr;
        steps_.push_back(On<app::TSplitForm>([&shownFromSplit](app::TSplitForm& split) {
            QTest::mouseClick(split.HelpButton, Qt::LeftButton);
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (qobject_cast<app::HelpViewer*>(w) && w->isVisible() && Usable(w)) shownFromSplit = w;
            }
            split.reject();
        }));
        form_->Edits().SplitButtonClick();
        QVERIFY(shownFromSplit != nullptr);
        QCOMPARE(static_cast<app::HelpViewer*>(shownFromSplit)->CurrentPage(), app::HelpPage(app::HelpTopic::Split));
    }

    void theSaveDialogRefusesAFolderThatDoesNotExist() {
        ShowActiveForm();
        const QString missing = QString::fromStdString(files_->path()) + "/no such folder";
        steps_.push_back(On<QFileDialog>([&missing](QFileDialog& dialog) {
            // Typed into the name field, as a user would.
            dialog.findChild<QLineEdit*>("fileNameEdit")->setText(missing + "/Side A.0001.wav");
            QMetaObject::invokeMethod(&dialog, "accept");
        }));
        steps_.push_back(On<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); }));  // it came back
        const QString chosen = dialogs_->SaveFileName(form_, QString::fromStdString(files_->path()), "Side A.0001.wav",
                                                      "wav", "Wave File (*.wav)");
        QCOMPARE(chosen, QString());
        QCOMPARE(boxes_, QStringList{QString::fromStdString(
                             engine::FormatText(engine::text::kPathDoesNotExist, {missing.toStdString()}))});
        QVERIFY(steps_.empty());
    }
};

QTEST_MAIN(RealDialogTest)
#include "RealDialogTest.moc"
