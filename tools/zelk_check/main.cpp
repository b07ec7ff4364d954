#include <iostream>

#include "tools/zelk_check/check_command.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // The summary goes out byte for byte; the console's text mode would double its CRs.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return ZelkCheckMain(argc, argv, std::cout, std::cerr);
}
