#pragma once
// The user's and the program's folders on this platform. Every result is an
// absolute path without a trailing separator, or empty when there is none.

#include <string>

namespace quillon::platform {

// $HOME, else the home folder of the password database. Stands in for the
// Windows folder wherever a rule falls back to it.
std::string HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else HomeFolder() + "/.config".
std::string ConfigHomeFolder();

enum class UserFolder { Music, Documents };

// The folder that the user's user-dirs.dirs names for kind (XDG_MUSIC_DIR,
// XDG_DOCUMENTS_DIR). With no entry, the usual default (~/Music, ~/Documents)
// when it exists. Empty when the entry disables the folder (points at the
// home folder itself) or when there is no entry and no default folder.
// The folder named by an entry may not exist; it is not created.
std::string UserFolderPath(UserFolder kind);

// The folder of the running executable.
std::string ProgramFolder();

// The folder that an installed program's own libraries are in, as the build
// placed it relative to the program's folder (../lib/<multiarch>/quillon on
// Debian). In the build tree it does not exist: the libraries lie beside the
// programs there.
std::string InstalledLibraryFolder();

}  // namespace quillon::platform
