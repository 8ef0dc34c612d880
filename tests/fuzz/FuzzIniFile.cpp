// libFuzzer target: arbitrary text as a settings file. Every key the program
// could ask for reads the same before and after a write of another key, and
// the written key reads back exactly as written, blanks and quotes included;
// a value with a line break is refused and changes nothing.

#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/IniFile.h"
#include "tests/fuzz/ScratchFile.h"

namespace {

// Names that differ only in case, and names the seeds use, so the fuzzer's
// files meet the reader's matching often.
constexpr const char* kSections[] = {"Quillon", "QUILLON", "A", "b"};
constexpr const char* kKeys[] = {"FileType", "filetype", "k", "K2"};
constexpr std::size_t kNames = 4;

bool SameName(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillon::platform;
    if (size < 2) return 0;
    const char* section = kSections[data[0] % kNames];
    const char* key = kKeys[(data[0] / kNames) % kNames];
    // Letters and digits, and what the reader trims or unquotes, and line breaks.
    constexpr char kValueChars[] = "ab c9Z\t\"'=;[\r\n";
    std::string value;
    for (std::size_t i = 1; i < size && i < 1 + data[1] % 24; ++i)
        value += kValueChars[data[i] % (sizeof kValueChars - 1)];
    const bool refused = value.find_first_of("\r\n") != std::string::npos;

    const std::string& path = quillon::fuzz::ScratchPath(".ini");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 2, 1, size - 2, f);
    std::fclose(f);

    std::string before[kNames][kNames];
    for (std::size_t s = 0; s < kNames; ++s)
        for (std::size_t k = 0; k < kNames; ++k)
            before[s][k] = GetPrivateProfileString(kSections[s], kKeys[k], "<none>", path);
    if (WritePrivateProfileString(section, key, value, path) == refused) std::abort();
    for (std::size_t s = 0; s < kNames; ++s) {
        for (std::size_t k = 0; k < kNames; ++k) {
            const std::string after = GetPrivateProfileString(kSections[s], kKeys[k], "<none>", path);
            const bool written = !refused && SameName(kSections[s], section) && SameName(kKeys[k], key);
            if (after != (written ? value : before[s][k])) std::abort();
        }
    }
    return 0;
}
