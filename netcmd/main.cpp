// One program for all the stand-ins: the name it was started by is the Windows command word.

#include "netcmd/Run.h"

#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    std::string word = argc > 0 ? argv[0] : "";
    word = word.substr(word.find_last_of('/') + 1);
    int first = 1;
    // Started by its own name, the word comes first: tginfo-netcmd ping 127.0.0.1
    if (word.starts_with("tginfo-netcmd") && argc > 1) {
        word = argv[1];
        first = 2;
    }
    std::vector<std::string> args(argv + first, argv + argc);
    return tg::netcmd::run(word, args);
}
