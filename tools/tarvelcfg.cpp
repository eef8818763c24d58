#include <iostream>

#include "tools/ToolCommands.h"

int main(int argc, char** argv) { return tarvel::RunTarvelcfg(argc, argv, std::cout, std::cerr); }
