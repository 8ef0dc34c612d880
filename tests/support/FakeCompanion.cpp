// Stands in for the companion program in the tests: copied into a fake
// installation as TRM32.EXE, it writes the arguments it was started with, one
// per line, to "args.txt" beside itself.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return 1;
    std::string folder(self, std::size_t(n));
    folder.erase(folder.rfind('/'));
    std::ofstream out(folder + "/args.txt.part");
    for (int i = 1; i < argc; ++i) out << argv[i] << '\n';
    out.close();
    // Put in place whole, so a reader never sees half of it.
    return std::rename((folder + "/args.txt.part").c_str(), (folder + "/args.txt").c_str()) == 0 ? 0 : 1;
}
