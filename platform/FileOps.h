#pragma once
// File operations the save job needs beyond plain reading and writing.

#include <string>

#include "platform/TempFiles.h"

namespace quillon::platform {

// True when both paths name the same existing file (hard links and other
// spellings included).
[[nodiscard]] bool SameFile(const std::string& a, const std::string& b);

// Puts from in place of to in one step, replacing a file that is there; a
// temporary file from is then let go of.
[[nodiscard]] bool ReplaceFile(const std::string& from, const std::string& to);

// Removes path, and lets go of it when it is a temporary file; a failure is
// of no interest to the callers.
void RemoveFile(const std::string& path);

// The folder of a file made by CreateUniqueFile, held open, so that the file
// can still be removed after the folder was moved or renamed.
class HeldFolder {
public:
    HeldFolder() = default;
    explicit HeldFolder(const std::string& filePath);
    ~HeldFolder();
    HeldFolder(HeldFolder&& other) noexcept;
    HeldFolder& operator=(HeldFolder&& other) noexcept;

    // Removes filePath's file from the held folder wherever that is now (from
    // filePath itself when no folder could be held), and lets go of it.
    void Remove(const std::string& filePath) const;

private:
    int fd_ = -1;
};

// A write past the process's file size limit then fails with EFBIG, which the
// save reports, instead of ending the program with SIGXFSZ. Called once at start.
void ReportFileSizeLimitAsWriteError();

}  // namespace quillon::platform
