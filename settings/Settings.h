#pragma once
// The settings file "Quillon.ini": every key with its section, type and
// default. Nothing is cached: each read opens the file, so a value written by a
// dialog is used by the next job. Readers take stored values as they are; only
// the Preferences dialog keeps them in range, and ReadInRange serves the keys
// whose readers cannot take any number (the file type, the FLAC level).

#include <cstdint>
#include <string>

namespace quillon::engine {

struct IntegerKey {
    const char* section;
    const char* name;
    int32_t defaultValue;
};
struct BoolKey {
    const char* section;
    const char* name;
    bool defaultValue;
};
struct StringKey {
    const char* section;
    const char* name;
};

namespace keys {
// The "Save as" choice: 0 "Wave", 1 "MP3", 2 "FLAC" (SaveType's numbers).
// A value the program does not know reads as Wave (ReadInRange).
inline constexpr IntegerKey FileType{"FileTypeSection", "FileType:", 0};
// Percent of full scale, 1..100.
inline constexpr IntegerKey SilenceAmplitude{"SilenceAmplitudeSection", "SilenceAmplitude:", 10};
// Seconds, 1..100. The section's spelling is what users' files hold.
inline constexpr IntegerKey SilenceDuration{"SilenceDuratuionSection", "SilenceDuration:", 3};
// Seconds before a track's end where the end preview starts, 1..99.
inline constexpr IntegerKey PreViewEndTime{"PreViewSection", "PreViewEndTime", 5};
inline constexpr BoolKey SameAsSourceFile{"OutputFilePathSection", "SameAsSourceFile:", true};
inline constexpr StringKey OutputFilePath{"OutputFilePathSection", "OutputFilePath"};
// "LAME Encoder" or "Windows ACM Default".
inline constexpr StringKey CodecName{"MP3FormatSection", "CodecName:"};
// kbit/s; -1 means none stored.
inline constexpr IntegerKey BitRate{"MP3FormatSection", "BitRate:", -1};
inline constexpr BoolKey IsRunningFirstTime{"ProgramSection", "IsRunningFirstTime:", true};
// The overview window's place and size: "left,top,width,height".
inline constexpr StringKey OverviewWindow{"OverviewSection", "OverviewWindow:"};
// Whether an analysis that finds one track in a long recording brings the
// overview to the front, to explain why.
inline constexpr BoolKey ShowOverviewOnOneTrack{"OverviewSection", "ShowWhenOneTrack:", true};
// The overview's level axis: 0 linear (percent of full scale), 1 dBFS.
inline constexpr IntegerKey OverviewAxis{"OverviewSection", "LevelAxis:", 0};
// The open dialog's size as the user left it, in device-independent pixels: "width,height".
inline constexpr StringKey OpenDialogSize{"OpenDialogSection", "OpenDialogSize:"};
// Whether 24- and 32-bit integer, floating-point, extensible and RF64/BW64
// wave files open (the reader's SetWideFormats); off, only PCM of up to 16 bits does.
inline constexpr BoolKey WideFormats{"WaveFormatSection", "WideFormats:", false};
// The FLAC encoder's compression level, 0 (fastest) to 8 (smallest files).
inline constexpr IntegerKey FlacLevel{"FlacSection", "CompressionLevel:", 5};
inline constexpr int32_t kFlacLevelMax = 8;
// Whether saved MP3 files get ID3v2.4 tags (title, artist, album, year,
// genre, track number); FLAC files carry their tags always.
inline constexpr BoolKey WriteMp3Tags{"Mp3TagSection", "WriteTags:", false};
}  // namespace keys

// An integer value text: decimal, or hexadecimal after "0x"/"0X" when longer
// than two characters; defaultValue for anything else.
[[nodiscard]] int32_t ParseIniInteger(const std::string& text, int32_t defaultValue);

class SettingsFile {
public:
    // The user's file: GetSettingsFolder() + "Quillon.ini".
    SettingsFile();
    explicit SettingsFile(std::string path) : path_(std::move(path)) {}

    [[nodiscard]] const std::string& Path() const { return path_; }

    // Each read accepts a default of the caller's (some readers differ from the
    // key's own default, e.g. Preferences reads "PreViewEndTime" with -1).
    [[nodiscard]] int32_t Read(const IntegerKey& key) const { return ReadInteger(key, key.defaultValue); }
    [[nodiscard]] int32_t ReadInteger(const IntegerKey& key, int32_t defaultValue) const;
    // For the readers that cannot take any number: the stored value when it
    // lies in low..high, else the key's default.
    [[nodiscard]] int32_t ReadInRange(const IntegerKey& key, int32_t low, int32_t high) const;
    [[nodiscard]] bool Read(const BoolKey& key) const;
    [[nodiscard]] std::string Read(const StringKey& key, const std::string& defaultValue = "") const;

    // Each write throws RaisedError "Unable to write to <path>" when the file
    // cannot be written; keys written before stay written.
    void Write(const IntegerKey& key, int32_t value) const;
    void Write(const BoolKey& key, bool value) const;
    void Write(const StringKey& key, const std::string& value) const;

private:
    void WriteText(const char* section, const char* name, const std::string& value) const;
    std::string path_;
};

// The folder of the settings file, ending in "/": the user's configuration
// folder ($XDG_CONFIG_HOME, else ~/.config).
[[nodiscard]] std::string GetSettingsFolder();

// The default folder for saved tracks: the user's music folder, else the
// documents folder, else "" (callers then take GetFallbackOutputFolder).
// The folder named may not exist; callers check.
[[nodiscard]] std::string GetDefaultOutputFolder();

// The default folder when it exists, else the home folder: an installed
// program's own folder (/usr/bin) is no place to write tracks.
[[nodiscard]] std::string GetFallbackOutputFolder();

}  // namespace quillon::engine
