#include <iostream>

#include "crosscheck/crosscheck_command.h"

int main(int argc, char** argv) { return CrossCheckMain(argc, argv, std::cout, std::cerr); }
