#pragma once
// The read-only registry: the INI file "registry.ini" in the system
// configuration folder (the first of $XDG_CONFIG_DIRS, else /etc/xdg). Each
// section is a key path under HKEY_LOCAL_MACHINE written with backslashes; its
// lines are the key's string values. Key paths and value names match ignoring
// case; sub-keys enumerate in file order.

#include <optional>
#include <string>
#include <vector>

namespace quillon::platform {

// The file the registry is read from.
[[nodiscard]] std::string RegistryFile();

class RegistryKey {
public:
    // Opens path (with or without a leading backslash); nothing when there is
    // no such key (a key exists when it has a section, or a section below it).
    [[nodiscard]] static std::optional<RegistryKey> Open(const std::string& path,
                                                         const std::string& file = RegistryFile());

    // The names of the keys directly below, in file order.
    [[nodiscard]] std::vector<std::string> SubKeyNames() const;
    // A string value; empty when absent.
    [[nodiscard]] std::string Value(const std::string& name) const;

private:
    struct Section {
        std::string path;
        std::vector<std::pair<std::string, std::string>> values;
    };
    std::string path_;
    std::vector<Section> sections_;
};

}  // namespace quillon::platform
