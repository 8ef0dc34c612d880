#include "platform/SpecialFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string_view>

namespace quillon::platform {
namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string StripTrailingSlashes(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

// The value of `NAME="..."` in user-dirs.dirs, with $HOME expanded; nothing when absent.
bool ReadUserDirsEntry(const std::string& name, std::string* value) {
    std::ifstream in(ConfigHomeFolder() + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        std::string_view rest(line);
        rest.remove_prefix(start);
        if (rest.substr(0, name.size()) != name) continue;
        rest.remove_prefix(name.size());
        if (rest.empty() || rest.front() != '=') continue;
        rest.remove_prefix(1);
        if (rest.size() >= 2 && rest.front() == '"') {
            rest.remove_prefix(1);
            rest = rest.substr(0, rest.find('"'));
        }
        std::string v(rest);
        if (v.rfind("$HOME", 0) == 0) v = HomeFolder() + v.substr(5);
        *value = v;
        return true;
    }
    return false;
}

}  // namespace

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return StripTrailingSlashes(home);
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return StripTrailingSlashes(pw->pw_dir);
    return "/";
}

std::string ConfigHomeFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return StripTrailingSlashes(xdg);
    return HomeFolder() + "/.config";
}

std::string UserFolderPath(UserFolder kind) {
    const bool music = kind == UserFolder::Music;
    std::string named;
    if (ReadUserDirsEntry(music ? "XDG_MUSIC_DIR" : "XDG_DOCUMENTS_DIR", &named)) {
        named = StripTrailingSlashes(named);
        if (named.empty() || named[0] != '/' || named == HomeFolder()) return {};
        return named;
    }
    const std::string fallback = HomeFolder() + (music ? "/Music" : "/Documents");
    return IsDirectory(fallback) ? fallback : std::string();
}

std::string ProgramFolder() {
    std::string buf(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return {};
    buf.resize(std::size_t(n));
    const auto slash = buf.rfind('/');
    return slash == 0 ? "/" : buf.substr(0, slash);
}

// QUILLON_LIBRARY_FOLDER is the install's library folder relative to its
// program folder, set by the build so that any prefix keeps the two together.
std::string InstalledLibraryFolder() { return ProgramFolder() + "/" QUILLON_LIBRARY_FOLDER; }

}  // namespace quillon::platform
