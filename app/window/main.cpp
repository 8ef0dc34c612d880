// Program entry: the converter library, the application, then the start
// itself (a first start shows the main window, a later one hands its file over).
#include <QApplication>
#include <QIcon>

#include "app/Util.h"
#include "app/window/Startup.h"
#include "app/window/UserDialogs.h"
#include "export/mp3/ConverterLibrary.h"
#include "libs/CVWAVMP3/CVWAVMP3.h"
#include "platform/FileOps.h"

int main(int argc, char** argv) {
    quillon::platform::ReportFileSizeLimitAsWriteError();
    // The window links the converter library when it loads.
    quillon::engine::UseConverter({&IsValidMP3CodecFound, &IsBitrateSupported, &ConvertWaveFileToMp3,
                                   &GetStatusWavToMP3, &StopConversionWavToMP3, &OpenConversionWavToMP3,
                                   &ConvertWaveFileToMp3Ex, &GetStatusWavToMP3Ex, &StopConversionWavToMP3Ex,
                                   &CloseConversionWavToMP3});
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillon");
    QApplication::setWindowIcon(
        QIcon(QString::fromStdString(quillon::engine::DataFolder("artwork")) + "quillon-64.png"));

    std::vector<std::string> arguments;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) arguments.push_back(args[i].toStdString());
    quillon::app::QtUserDialogs dialogs;
    return quillon::app::RunQuillon(arguments, dialogs);
}
