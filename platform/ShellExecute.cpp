#include "platform/ShellExecute.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillon::platform {

std::vector<std::string> SplitParameters(const std::string& text) {
    std::vector<std::string> parts;
    std::string current;
    bool quoted = false, any = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) parts.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any) parts.push_back(current);
    return parts;
}

bool StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
    // Everything the child needs is made before the fork.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return false;
    const pid_t child = fork();
    if (child < 0) {
        close(ready[0]);
        close(ready[1]);
        return false;
    }
    if (child == 0) {
        setsid();
        if (fork() == 0) {
            execv(program.c_str(), argv.data());
            const char failed = 1;
            (void)!write(ready[1], &failed, 1);
            _exit(127);
        }
        _exit(0);
    }
    close(ready[1]);
    int status = 0;
    waitpid(child, &status, 0);
    // The write end closes on a successful exec: nothing to read means started.
    char failed = 0;
    const bool started = read(ready[0], &failed, 1) == 0;
    close(ready[0]);
    return started;
}

}  // namespace quillon::platform
