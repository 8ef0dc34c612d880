#pragma once
// The hidden temporary files a save writes before putting them in place, and
// the ones a save that died left behind. Each is locked (flock) for as long
// as it exists under its temporary name, so another process can tell a file
// still being written from one nobody will ever finish.

#include <string>

namespace quillon::platform {

// Makes a new empty file with a unique hidden name in folder (mode 0666 less
// the umask), locked until ReplaceFile, RemoveFile or HeldFolder::Remove
// takes it away, and returns its path; "" when none can be made.
[[nodiscard]] std::string CreateUniqueFile(const std::string& folder);

// Removes each file of CreateUniqueFile's naming in folder whose lock can be
// taken: its process has ended (however it ended). A file a running process
// holds, and any other name, is left alone; so is what cannot be opened.
void RemoveStaleTempFiles(const std::string& folder);

// Lets go of path's lock, once path was renamed or removed; nothing when path
// is no file of CreateUniqueFile's.
void ReleaseTempFile(const std::string& path);

}  // namespace quillon::platform
