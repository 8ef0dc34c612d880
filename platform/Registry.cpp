#include "platform/Registry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

namespace quillon::platform {
namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

std::string Normal(std::string path) {
    while (!path.empty() && path.front() == '\\') path.erase(path.begin());
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

std::string RegistryFile() {
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string first = dirs != nullptr ? std::string(dirs).substr(0, std::string(dirs).find(':')) : std::string();
    if (first.empty() || first[0] != '/') first = "/etc/xdg";
    return first + "/registry.ini";
}

std::optional<RegistryKey> RegistryKey::Open(const std::string& path, const std::string& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    RegistryKey key;
    key.path_ = Normal(path);
    std::string line;
    while (std::getline(in, line)) {
        const std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[' && t.back() == ']') {
            key.sections_.push_back({Normal(t.substr(1, t.size() - 2)), {}});
        } else if (const auto eq = t.find('='); eq != std::string::npos && !key.sections_.empty()) {
            std::string value = Trim(t.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"' &&
                value.find('"', 1) == value.size() - 1)
                value = value.substr(1, value.size() - 2);
            key.sections_.back().values.emplace_back(Trim(t.substr(0, eq)), value);
        }
    }
    const std::string wanted = Upper(key.path_);
    const bool exists = std::any_of(key.sections_.begin(), key.sections_.end(), [&wanted](const Section& s) {
        const std::string p = Upper(s.path);
        return p == wanted || p.rfind(wanted + "\\", 0) == 0;
    });
    if (!exists) return std::nullopt;
    return key;
}

std::vector<std::string> RegistryKey::SubKeyNames() const {
    std::vector<std::string> names;
    const std::string prefix = Upper(path_) + "\\";
    for (const Section& s : sections_) {
        if (Upper(s.path).rfind(prefix, 0) != 0) continue;
        const std::string rest = s.path.substr(prefix.size());
        const std::string name = rest.substr(0, rest.find('\\'));
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return names;
}

std::string RegistryKey::Value(const std::string& name) const {
    const std::string wantedPath = Upper(path_), wantedName = Upper(name);
    for (const Section& s : sections_) {
        if (Upper(s.path) != wantedPath) continue;
        for (const auto& [n, v] : s.values) {
            if (Upper(n) == wantedName) return v;
        }
    }
    return {};
}

}  // namespace quillon::platform
