// libFuzzer target: arbitrary text as a settings file. Every key the program
// could ask for reads the same before and after a write of another key, and
// the written key reads back as written.

#include <strings.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/IniFile.h"

namespace {

// Names that differ only in case, and names the seeds use, so the fuzzer's
// files meet the reader's matching often.
constexpr const char* kSections[] = {"Quillon", "QUILLON", "A", "b"};
constexpr const char* kKeys[] = {"FileType", "filetype", "k", "K2"};
constexpr std::size_t kNames = 4;

const std::string& ScratchPath() {
    // In memory where there is such a folder: the settings writer syncs each file.
    static const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    static const std::string path = folder + "/quillon-fuzz-ini-" + std::to_string(getpid()) + ".ini";
    static const bool removedAtExit = std::atexit([] { std::remove(ScratchPath().c_str()); }) == 0;
    (void)removedAtExit;
    return path;
}

bool SameName(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillon::platform;
    if (size < 2) return 0;
    const char* section = kSections[data[0] % kNames];
    const char* key = kKeys[(data[0] / kNames) % kNames];
    // A value the file syntax carries unchanged: letters and digits, inner spaces.
    std::string value;
    for (std::size_t i = 1; i < size && i < 1 + data[1] % 24; ++i) value += "ab c9Z"[data[i] % 6];
    while (!value.empty() && value.back() == ' ') value.pop_back();
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);

    std::FILE* f = std::fopen(ScratchPath().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 2, 1, size - 2, f);
    std::fclose(f);

    std::string before[kNames][kNames];
    for (std::size_t s = 0; s < kNames; ++s)
        for (std::size_t k = 0; k < kNames; ++k)
            before[s][k] = GetPrivateProfileString(kSections[s], kKeys[k], "<none>", ScratchPath());
    if (!WritePrivateProfileString(section, key, value, ScratchPath())) std::abort();
    for (std::size_t s = 0; s < kNames; ++s) {
        for (std::size_t k = 0; k < kNames; ++k) {
            const std::string after = GetPrivateProfileString(kSections[s], kKeys[k], "<none>", ScratchPath());
            const bool written = SameName(kSections[s], section) && SameName(kKeys[k], key);
            if (after != (written ? value : before[s][k])) std::abort();
        }
    }
    return 0;
}
