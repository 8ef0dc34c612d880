// Every text of every window and dialog has room, at the platform's font and
// with the application font 1.25 and 1.5 times as large: the main window with
// tracks listed and a recording's format shown, the split, MP3, codec help,
// import and recording details dialogs, Preferences on both pages, About, the
// help viewer and the overview.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include "analysis/window/AnalysisHandlers.h"
#include "analysis/window/OverviewForm.h"
#include "app/window/AboutBox.h"
#include "app/window/HelpViewer.h"
#include "app/window/MainForm.h"
#include "editing/window/EditHandlers.h"
#include "editing/window/ImportForm.h"
#include "editing/window/ImportHandlers.h"
#include "editing/window/SplitUnit.h"
#include "export/window/CodecMessageUnit.h"
#include "export/window/DetailsForm.h"
#include "export/window/DetailsHandlers.h"
#include "export/window/Mp3Handlers.h"
#include "export/window/SaveAsMp3.h"
#include "settings/window/PreferencesHandlers.h"
#include "settings/window/preferences.h"
#include "support/TestWave.h"
#include "support/window/FormFixture.h"
#include "support/window/TextFit.h"

using namespace quillon;

class TextFitTest : public QObject, protected test::FormFixture<> {
    Q_OBJECT
    QFont platformFont_;

    // Shows window as the program would and says which texts are cut.
    static QStringList CutIn(QWidget& window) {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) return {"not shown"};
        QStringList cut;
        // Layouts settle in the event loop after showing.
        for (int i = 0; i < 20 && !(cut = test::CutTexts(window)).isEmpty(); ++i) QTest::qWait(10);
        return cut;
    }
    static void ExpectAllFit(QWidget& window) {
        const QStringList cut = CutIn(window);
        QVERIFY2(cut.isEmpty(), qPrintable(window.windowTitle() + ": " + cut.join("; ")));
    }

private slots:
    void initTestCase() { platformFont_ = QApplication::font(); }
    void init() {
        QFETCH_GLOBAL(double, scale);
        QFont font = platformFont_;
        font.setPointSizeF(platformFont_.pointSizeF() * scale);
        QApplication::setFont(font);
        Prepare();
        QVERIFY(ShowForm());
        test::Pcm pcm(16, 2);
        pcm.Loud(44100).Silent(4 * 44100).Loud(44100);
        AnalyzeAndWait(files_->Write("Side A.wav", test::PcmWave(test::Format{}, pcm.bytes())));
        form_->ShowWaveInfo(200500, 44100, 16, 2, false);  // "03:20:500"
    }
    void cleanup() {
        DestroyForm();
        QApplication::setFont(platformFont_);
    }
    void initTestCase_data() {
        QTest::addColumn<double>("scale");
        QTest::newRow("platform font") << 1.0;
        QTest::newRow("1.25 times") << 1.25;
        QTest::newRow("1.5 times") << 1.5;
    }

    void mainWindow() {
        ExpectAllFit(*form_);
        QCOMPARE(form_->StatusText(4), QString("03:20:500"));
    }

    void editAndMp3Dialogs() {
        ExpectAllFit(*form_->Edits().SplitForm);
        app::Mp3Handlers& mp3 = form_->Mp3();
        ExpectAllFit(*mp3.CodecMessageForm);
        ExpectAllFit(*mp3.SaveAsMP3Form);
        QVERIFY(mp3.SaveAsMP3Form->BitRateComboBox->count() > 0);
        QVERIFY(mp3.SaveAsMP3Form->BitRateComboBox->width() >= 75);
    }

    void preferencesOnBothPages() {
        app::TPreferencesForm& prefs = *form_->Preferences().PreferencesForm;
        auto* pages = prefs.findChild<QTabWidget*>();
        QVERIFY(pages != nullptr);
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            ExpectAllFit(prefs);
        }
    }

    void importAndDetailsDialogs() {
        app::TImportForm& import = *form_->Imports().ImportForm;
        import.Prepare("Import Track Names", engine::PlanImport(12, 9), true);
        ExpectAllFit(import);
        form_->DetailsEditor().DetailsForm->SetDetails(form_->Details, "Side A");
        ExpectAllFit(*form_->DetailsEditor().DetailsForm);
    }

    void aboutHelpAndOverview() {
        app::AboutBox about(form_);
        ExpectAllFit(about);
        form_->ShowHelpTopic(app::HelpTopic::Contents);
        auto* help = form_->findChild<app::HelpViewer*>();
        QVERIFY2(help != nullptr && help->isVisible(), "the help pages beside the test");
        ExpectAllFit(*help);
        form_->OverviewMenuItem->trigger();
        ExpectAllFit(*form_->Analysis().OverviewForm);
    }
};

QTEST_MAIN(TextFitTest)
#include "TextFitTest.moc"
