#include "app/ErrorCodes.h"

#include <algorithm>
#include <array>
#include <utility>

namespace quillon::engine {
namespace {

struct Entry {
    int number;
    const char* text;
};

// Sorted by number.
constexpr Entry kMessages[] = {
    {63,
     "Error: Could not make a required call into the cvwavmp3.dll while converting. Please contact Corvane "
     "Support for more information."},
    {79, "Error : Could not get status."},
    {88, "The selected Codec cannot produce MP3 files at"},
    {89, "kbit Bitrate. Please select another bit-rate or a different codec and try again.\n"},
    {90,
     "Error : The selected codec cannot produce MP3 files with given source format. Please change the source "
     "format and try again.\n"},
    {91,
     "Warning: This machine does not have the suitable component required to use MP3 functionality. Do you "
     "want to download this component now?  \nPlease make sure you are connected to the Internet before "
     "pressing the Yes button."},
    {92, "Error: No playback device found. Please install a sound card and try again."},
    {100,
     "An unknown error has occured in ZORodaVodereDLL. \nPlease contact Corvane technical support. Error code "
     "100"},
    {101,
     "Internal Error : No file name specified for playback. Please try again and if the problem persists, "
     "contact Corvane technical support. Error code 101"},
    {102, "Playback is already going on."},
    {103, "Error: Source file does not exist Please choose other wave file"},
    {104,
     "Error : Could not allocate enough memory. Your system might be low on resources, please close other "
     "applications and try again. Error code 104"},
    {105, "Sorry, format of wave file is not supported. Please choose other wave file."},
    {106,
     "Error : Cannot Open Wave Output Device. Please make sure that other applications are not using the "
     "sound output device and try again. Error code 106"},
    {107,
     "Error : Cannot Prepare Play Buffers. Your system might be low on resources, please close other "
     "applications and try again. Error code 107"},
    {108, "Error : Not a valid wave file. Please choose a valid wave file."},
    {109,
     "Error : Cannot read fmt chunk from file. Either the file has no fmt chunk or it is invalid. Please "
     "choose a another file. Error code 109"},
    {110,
     "Error : Not a PCM Wave file. Non-PCM wave files are not supported. Please choose a PCM format wave "
     "file. \nFor more information please contact Corvane technical support. \nError code 110"},
    {111,
     "Error : Cannot read DATA chunk. Either the file has no DATA chunk or it is invalid. Please choose a "
     "valid wave file."},
    {112,
     "Error : Cannot seek in wave file. Please close other applications and try again. \nIf the problem "
     "persists, contact Corvane technical support. Error code 112"},
    {113, "Error : Cannot ascend chunk. Please close other applications an dtry again. Error code 113"},
    {114, "No data to play in wave file. Please choose other file."},
    {125, "Analyzing the wave file: "},
    {126, "Analyzing is completed successfully "},
    {127, "Process Aborted by user!"},
    {128, "Splitting the selected track."},
    {129, "Merging the selected tracks."},
    {130, "Previewing the selected track."},
    {131, "Creating wave file :  "},
    {132, "Creating MP3 File : "},
    {133, "Process has completed successfully."},
    {134, "Loading Edit UI of Trimora..."},
    {135, "Loading Burn UI of Trimora..."},
    {136, "Loading Trimora..."},
    {450, "Warning: Please check the track to split !"},
    {451, "Warning: Please specify the time between  "},
    {452, "Warning: Please check the track to save !"},
    {454, "\"Currently Trimora 1.6 is installed on your machine, Please upgrade it with Trimora 2.0\"\n"},
    {455, "Error: Please specify Silence Amplitude between 1 to 100 "},
    {456, "Error: Please specify Silence Duration between 1 to 100 sec"},
    {457, "Error: Could not allocate memory !!"},
    {458, "Error: Please specify the file name with full path !"},
    {459, "The file "},
    {460, " already exists. Overwrite ?"},
    {461, "Error: File does not exist ! "},
    {463, "Warning: Please check the track to edit !"},
    {464, "Warning: Please check the track to burn !"},
    {465, "Error: Output file path does not exist, please choose another location. "},
    {466,
     "Error: Invalid output file location specified. Please specify another location or select the option "
     "same as source file in preferences dialog. "},
    {467, "Error: Please specify the Preview  time within range (1 - 99 Sec)."},
    {474,
     "Error: There is not enough free space on your working drive. Please make more free space available, or "
     "select a fewer number of tracks to save, and try again. "},
    {475, "Warning: Please select the track to preview !"},
    {476, "Warning: One or more tracks in the list view are not saved. Do you want to exit ?"},
    {477, "Error: There is no data in selected file to Analyze. Please choose other file."},
    {478, "%s is busy performing some task. Please make sure that %s is idle, and try to open this file again.\n"},
    {479, "Error: The file "},
    {480, " does not exist."},
    {481,
     "Warning: One or more tracks in the List Box are not saved. Do you want to save them before opening it in "
     "Editor? "},
    {482,
     "Warning: One or more tracks in the List Box are not saved. Do you want to save them before opening it in "
     "Burn UI of Trimora? "},
    {483, "Error: Not a valid wave file. Please choose a valid wave file."},
};

static_assert(std::is_sorted(std::begin(kMessages), std::end(kMessages),
                             [](const Entry& a, const Entry& b) { return a.number < b.number; }));

}  // namespace

const std::string& MessageText(int number) {
    static const auto table = [] {
        std::array<std::pair<int, std::string>, std::size(kMessages)> t;
        for (std::size_t i = 0; i < t.size(); ++i) t[i] = {kMessages[i].number, kMessages[i].text};
        return t;
    }();
    static const std::string empty;
    const auto it = std::lower_bound(table.begin(), table.end(), number,
                                     [](const auto& e, int n) { return e.first < n; });
    return it != table.end() && it->first == number ? it->second : empty;
}

std::string FormatText(const std::string& text, std::initializer_list<std::string> args) {
    std::string out;
    auto next = args.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's') {
            if (next != args.end()) out += *next++;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void ShowErrorMessage(WindowSeam& seam, int number, std::initializer_list<std::string> args) {
    const std::string& text = MessageText(number);
    if (text.empty()) return;
    seam.ShowErrorBox(FormatText(text, args));
}

void ShowRaisedError(WindowSeam& seam, const std::exception& error) {
    std::string message = error.what();
    if (message.empty() || message.back() != '.') message += '.';
    seam.ShowErrorBox(message);
}

}  // namespace quillon::engine
