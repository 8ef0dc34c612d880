#pragma once
// The one file a fuzz target writes each input to: in memory where there is
// such a folder (/dev/shm), else in /tmp; one per process, removed at exit.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quillon::fuzz {

// name: the end of the file name after the process id, e.g. ".wav"; the
// first call's name holds for the process.
inline const std::string& ScratchPath(const char* name) {
    static const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    static const std::string path = folder + "/quillon-fuzz-" + std::to_string(getpid()) + name;
    static const bool removedAtExit = std::atexit([] { std::remove(path.c_str()); }) == 0;
    (void)removedAtExit;
    return path;
}

}  // namespace quillon::fuzz
