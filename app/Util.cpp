#include "app/Util.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "platform/SpecialFolders.h"

namespace quillon::engine {

std::string AddTrailingBackslash(const std::string& path) {
    return (!path.empty() && path.back() != '/') ? path + "/" : path;
}

std::string ExtractFileName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileDir(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ExtractFileExt(const std::string& path) {
    const std::string name = ExtractFileName(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string RemoveExtension(const std::string& name) {
    const auto slash = name.rfind('/');
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name;
    return name.substr(0, dot);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace quillon::engine

namespace quillon::engine {

std::string ToUpper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) { return ToUpper(a) == ToUpper(b); }

std::string DataFolder(const std::string& name) {
    const std::string program = platform::ProgramFolder();
    for (const std::string& candidate : {program + "/" + name, program + "/../share/quillon/" + name}) {
        if (DirectoryExists(candidate)) return AddTrailingBackslash(candidate);
    }
    return {};
}

std::string GetFileVersionText() {
    const std::string version = QUILLON_VERSION;
    return version.empty() ? "No Version Information Found" : version;
}

}  // namespace quillon::engine
