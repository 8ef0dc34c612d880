#include "settings/Settings.h"

#include <filesystem>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "platform/IniFile.h"
#include "platform/SpecialFolders.h"

namespace quillon::engine {

using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;

namespace {

bool ParseDigits(const std::string& digits, int base, uint64_t limit, uint64_t* out) {
    if (digits.empty()) return false;
    uint64_t v = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * uint64_t(base) + uint64_t(d);
        if (v > limit) return false;
    }
    *out = v;
    return true;
}

}  // namespace

int32_t ParseIniInteger(const std::string& text, int32_t defaultValue) {
    uint64_t v = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        // Eight hex digits fill the 32 bits; 0xFFFFFFFF reads as -1.
        return ParseDigits(text.substr(2), 16, UINT32_MAX, &v) ? int32_t(uint32_t(v)) : defaultValue;
    }
    const bool negative = !text.empty() && text[0] == '-';
    const bool sign = !text.empty() && (text[0] == '-' || text[0] == '+');
    const uint64_t limit = negative ? uint64_t(INT32_MAX) + 1 : uint64_t(INT32_MAX);
    if (!ParseDigits(text.substr(sign ? 1 : 0), 10, limit, &v)) return defaultValue;
    return negative ? int32_t(-int64_t(v)) : int32_t(v);
}

SettingsFile::SettingsFile() : path_(GetSettingsFolder() + "Quillon.ini") {}

int32_t SettingsFile::ReadInteger(const IntegerKey& key, int32_t defaultValue) const {
    const std::string text = GetPrivateProfileString(key.section, key.name, "", path_);
    return ParseIniInteger(text, defaultValue);
}

int32_t SettingsFile::ReadInRange(const IntegerKey& key, int32_t low, int32_t high) const {
    const int32_t value = Read(key);
    return value >= low && value <= high ? value : key.defaultValue;
}

bool SettingsFile::Read(const BoolKey& key) const {
    const std::string text = GetPrivateProfileString(key.section, key.name, "", path_);
    return ParseIniInteger(text, key.defaultValue ? 1 : 0) != 0;
}

std::string SettingsFile::Read(const StringKey& key, const std::string& defaultValue) const {
    return GetPrivateProfileString(key.section, key.name, defaultValue, path_);
}

void SettingsFile::Write(const IntegerKey& key, int32_t value) const {
    WriteText(key.section, key.name, std::to_string(value));
}

void SettingsFile::Write(const BoolKey& key, bool value) const { WriteText(key.section, key.name, value ? "1" : "0"); }

void SettingsFile::Write(const StringKey& key, const std::string& value) const {
    WriteText(key.section, key.name, value);
}

void SettingsFile::WriteText(const char* section, const char* name, const std::string& value) const {
    // A fresh account may not have its configuration folder yet.
    std::error_code ignored;
    std::filesystem::create_directories(ExtractFileDir(path_), ignored);
    if (!WritePrivateProfileString(section, name, value, path_))
        throw RaisedError(FormatText(text::kUnableToWrite, {path_}));
}

std::string GetSettingsFolder() { return AddTrailingBackslash(platform::ConfigHomeFolder()); }

std::string GetDefaultOutputFolder() {
    std::string folder = platform::UserFolderPath(platform::UserFolder::Music);
    if (folder.empty()) folder = platform::UserFolderPath(platform::UserFolder::Documents);
    return folder;
}

std::string GetFallbackOutputFolder() {
    const std::string folder = GetDefaultOutputFolder();
    return DirectoryExists(folder) ? folder : platform::HomeFolder();
}

}  // namespace quillon::engine
