#include <iostream>

#include "cli/CliApp.h"

int main(int argc, char** argv) { return pelmor::cli::RunCli(argc, argv, std::cout, std::cerr); }
