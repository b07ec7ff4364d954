#include <iostream>

#include "checker/check_command.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "boundary/ansi_upper_case.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // The summary goes out byte for byte; the console's text mode would double its CRs.
    _setmode(_fileno(stdout), _O_BINARY);
    return ZelkCheckMain(argc, argv, std::cout, std::cerr, UpperCaseInAnsiCodePage);
#else
    return ZelkCheckMain(argc, argv, std::cout, std::cerr);
#endif
}
