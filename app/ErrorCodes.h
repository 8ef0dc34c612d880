#pragma once
// Every user-facing text of the program: the numbered message table, the fixed
// texts of the plain message boxes, and the raised errors with literal texts.

#include <initializer_list>
#include <stdexcept>
#include <string>

#include "app/WindowSeam.h"

namespace quillon::engine {

inline constexpr const char* kAppCaption = "Corvane Quillon";
inline constexpr const char* kProductName = "Quillon";

// Message numbers, with the values users and support know them by.
enum Msg : int {
    MsgConverterCallFault = 63,
    MsgCouldNotGetStatus = 79,
    MsgCodecCannotProduceAt = 88,
    MsgKbitBitrateChooseAnother = 89,
    MsgCodecCannotUseSourceFormat = 90,
    MsgOfferMp3Download = 91,
    MsgNoPlaybackDevice = 92,
    MsgPlayerUnknownError = 100,
    MsgPlayerNoFileName = 101,
    MsgPlaybackGoingOn = 102,
    MsgPlayerSourceMissing = 103,
    MsgNotEnoughMemory = 104,
    MsgFormatNotSupported = 105,
    MsgCannotOpenOutputDevice = 106,
    MsgCannotPrepareBuffers = 107,
    MsgPlayerNotWave = 108,
    MsgPlayerNoFmtChunk = 109,
    MsgPlayerNotPcm = 110,
    MsgNoDataChunk = 111,
    MsgPlayerCannotSeek = 112,
    MsgPlayerCannotAscend = 113,
    MsgPlayerNoData = 114,
    MsgAnalyzingFile = 125,
    MsgAnalyzingCompleted = 126,
    MsgAbortedByUser = 127,
    MsgSplitting = 128,
    MsgMerging = 129,
    MsgPreviewing = 130,
    MsgCreatingWave = 131,
    MsgCreatingMp3 = 132,
    MsgProcessCompleted = 133,
    MsgLoadingEditUi = 134,
    MsgLoadingBurnUi = 135,
    MsgLoadingCompanion = 136,
    MsgCheckTrackToSplit = 450,
    MsgSpecifyTimeBetween = 451,
    MsgCheckTrackToSave = 452,
    MsgOldCompanionInstalled = 454,
    MsgAmplitudeRange = 455,
    MsgDurationRange = 456,
    MsgCouldNotAllocate = 457,
    MsgNeedFullPath = 458,
    MsgFileExistsPrefix = 459,
    MsgFileExistsOverwrite = 460,
    MsgFileDoesNotExist = 461,
    MsgCheckTrackToEdit = 463,
    MsgCheckTrackToBurn = 464,
    MsgOutputFolderMissing = 465,
    MsgInvalidOutputLocation = 466,
    MsgPreviewRange = 467,
    MsgNotEnoughSpace = 474,
    MsgSelectTrackToPreview = 475,
    MsgUnsavedTracksExit = 476,
    MsgNoDataToAnalyze = 477,
    MsgProgramBusy = 478,
    MsgTheFilePrefix = 479,
    MsgDoesNotExistSuffix = 480,
    MsgUnsavedBeforeEdit = 481,
    MsgUnsavedBeforeBurn = 482,
    MsgNotValidWave = 483,
};

// The text of message number, or "" when there is none.
[[nodiscard]] const std::string& MessageText(int number);

// The text with each "%s" replaced by the next argument, in order.
[[nodiscard]] std::string FormatText(const std::string& text, std::initializer_list<std::string> args);

// The error box by message number: loads, formats and shows the text; a number
// whose text is empty shows nothing.
void ShowErrorMessage(WindowSeam& seam, int number, std::initializer_list<std::string> args = {});

// Fixed texts of the plain message boxes.
namespace text {
inline constexpr const char* kDirectoryIncorrect = "Error : The directory specification is incorrect.";
inline constexpr const char* kFileProtected = "Error : The file is protected and cannot be opened.";
inline constexpr const char* kSharingViolation =
    "Error : The file is being used by another application and is unavailable.";
inline constexpr const char* kNetworkNotResponding =
    "Error : The network is not responding to the request to open a remote file.";
inline constexpr const char* kTooManyOpenFiles =
    "Error : The number of files simultaneously open is at a maximum level. The system has run out of "
    "available file handles.";
inline constexpr const char* kUnableToRead = "Error : Unable to read data from file.";
inline constexpr const char* kUnableToReadWhole = "Error : Unable to read whole data from file.";
// After message 105, on a line of its own, for a file the wide-formats setting would open.
inline constexpr const char* kWideFormatsHint =
    "To open it, turn on \"Open 24-bit, 32-bit and floating-point recordings\" in Preferences.";
// The same for the command line, which has an option in place of the check box.
inline constexpr const char* kWideFormatsOptionHint = "To open it, give --wide-formats.";
inline constexpr const char* kDamagedFormat =
    "Error : The format or size block of this wave file is damaged, so it cannot be opened.";
inline constexpr const char* kNotValidInteger = "'%s' is not a valid integer value";
inline constexpr const char* kUnableToWrite = "Unable to write to %s";
inline constexpr const char* kFolderNameHasLineBreak =
    "Error: The output folder name holds a line break, which the settings file cannot keep. Please choose "
    "another location.";
inline constexpr const char* kBadTrackName =
    "Error: The track name \"%s\" cannot be used as a file name. Please rename the track and save it again.";
// The flag on a typed track name the save would refuse: the name, then the reason.
inline constexpr const char* kNameCannotBeSaved = "The name \"%s\" cannot be saved: %s";
inline constexpr const char* kNameHoldsSlashOrQuote = "a track name cannot hold / or \".";
inline constexpr const char* kNameHoldsLineBreak = "a track name cannot hold a line break.";
inline constexpr const char* kNameEmpty = "a track name cannot be empty.";
inline constexpr const char* kNameIsDots = "a track name cannot be . or ..";
inline constexpr const char* kCannotWriteFile = "Error: Could not write the file %s (%s). The track was not saved.";
inline constexpr const char* kSourceLost =
    "Error: The wave file %s could no longer be read while the track %s was being saved. The track was not saved "
    "and the save was stopped.";
inline constexpr const char* kSourceIsOutput =
    "Error: %s is the wave file being cut and cannot be overwritten. The track was not saved.";
inline constexpr const char* kMp3NameIsTrackWave =
    "Error: %s is the track's own wave file and cannot take its MP3 file. The track was kept as a wave file.";
inline constexpr const char* kMp3ConversionFailed =
    "Error: The track %s could not be converted to MP3. Its wave file %s was kept.";
inline constexpr const char* kFlacEncodeFailed = "Error: The track %s could not be saved as FLAC (%s).";
inline constexpr const char* kFlacNoFloat = "FLAC cannot hold floating-point samples. Save this recording as Wave.";
// The status line while a FLAC file is encoded, before its path.
inline constexpr const char* kCreatingFlac = "Creating FLAC File : ";
inline constexpr const char* kPathDoesNotExist = "%s\nThe path does not exist. Check the path and try again.";
inline constexpr const char* kNothingFound = "No quiet stretch longer than %s below %s %.";
inline constexpr const char* kNothingLongest = " The longest is %s at %s;";
inline constexpr const char* kNothingQuiet = " Nothing is that quiet;";
inline constexpr const char* kNothingWholeQuiet =
    " The whole recording is quieter than %s %: it is one silence, which cuts nothing.";
inline constexpr const char* kNothingFoundAt = " at %s % there is one of %s.";
inline constexpr const char* kNothingAnywhere = " there is none up to 100 %.";
inline constexpr const char* kThresholdsChosen = "%s at amplitude %s % and duration %s s.";
inline constexpr const char* kThresholdsNone = "No thresholds separate %s; the closest is %s at %s % and %s s.";
inline constexpr const char* kThresholdsNoneAt =
    "No duration at %s % separates %s; the closest is %s at %s % and %s s.";
inline constexpr const char* kSavedSome = "Saved %s of %s %s; %s %s not saved.";
inline constexpr const char* kCompanionNotFound = "Trimora was not found.";
inline constexpr const char* kMergeCompleted = "Merge process completed!";
inline constexpr const char* kHelpMissing = "Error: Cannot find the help page %s";
// Reading a title list or a CUE sheet.
inline constexpr const char* kTextFileUnreadable = "Error: Could not read %s (%s).";
inline constexpr const char* kTextFileTooLarge =
    "Error: %s is larger than 1 MiB, which no title list or CUE sheet is. Please choose another file.";
inline constexpr const char* kTitleListEmpty = "Error: The title list %s holds no titles.";
// The status line after an import: how many tracks were named, from where.
inline constexpr const char* kImportNamed = "Named %s from %s.";
inline constexpr const char* kImportNamedAndCut = "Named %s, cut at the sheet's times.";
inline constexpr const char* kFromClipboard = "the clipboard";
inline constexpr const char* kClipboardNoTitles =
    "Error: The clipboard holds no titles. Copy the track titles, one on each line, and paste again.";
inline constexpr const char* kCueSheetRefused =
    "Error: %s could not be read as a CUE sheet: it is not in the CUE sheet format, or it is damaged.";
// The import's plan, for its confirmation: the counts, then what each row gets.
inline constexpr const char* kPlanOneTitle = "1 title";
inline constexpr const char* kPlanTitles = "%s titles";
inline constexpr const char* kPlanOneTrack = "1 track";
inline constexpr const char* kPlanTracks = "%s tracks";
inline constexpr const char* kPlanEveryTrack = "%s for %s: each track gets its title.";
inline constexpr const char* kPlanSome = "%s for %s: %s; %s.";
inline constexpr const char* kPlanNoTitles = "%s for %s: every track keeps its name.";
inline constexpr const char* kPlanNoTracks = "%s for no tracks: there is nothing to name.";
inline constexpr const char* kPlanTrackGetsTitle = "track %s gets a title";
inline constexpr const char* kPlanTracksGetTitles = "tracks %s get titles";
inline constexpr const char* kPlanTrackKeepsName = "track %s keeps its name";
inline constexpr const char* kPlanTracksKeepNames = "tracks %s keep their names";
inline constexpr const char* kPlanTitleLeftOut = "title %s is left out";
inline constexpr const char* kPlanTitlesLeftOut = "titles %s are left out";
// After the plan, on the command line, which refuses an import whose counts differ.
inline constexpr const char* kAllowMismatchOptionHint = "To name them so, give --allow-mismatch.";
// Cutting at a CUE sheet's times.
inline constexpr const char* kSheetCutCounts =
    "Error: The CUE sheet lists %s and the list has %s. Cutting at the sheet's times needs as many tracks in both.";
inline constexpr const char* kSheetCutNoStart = "Error: Track %s of the CUE sheet has no INDEX 01 time.";
inline constexpr const char* kSheetCutBadTime =
    "Error: Track %s of the CUE sheet starts at %s. The sheet's tracks must start in order, after the list's start "
    "and before its end.";
// An MP3 file put in place without its tags.
inline constexpr const char* kMp3TagsFailed =
    "Error: The tags could not be written to %s. The track %s was saved without them.";
}  // namespace text

// An error raised with a literal text; it ends the running handler and is shown
// by the general error handler.
class RaisedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The standard integer-conversion error, "'<piece>' is not a valid integer value".
class ConvertError : public RaisedError {
public:
    explicit ConvertError(const std::string& piece) : RaisedError(FormatText(text::kNotValidInteger, {piece})) {}
};

// The general error handler: the raised text in an error box, with a full stop
// added when it lacks one.
void ShowRaisedError(WindowSeam& seam, const std::exception& error);

}  // namespace quillon::engine
