#pragma once
#include <ostream>

namespace tarvel {

// Exit statuses of tarvelcfg.
constexpr int kExitLoaded = 0;       // the file was read (and, for upgrade, written)
constexpr int kExitFileError = 1;    // the file cannot be opened, or the output cannot be written
constexpr int kExitWrongFormat = 2;  // the file is not a configuration ("Wrong file format!")
constexpr int kExitWouldLose = 3;    // upgrade: reading the file leaves part of it out
constexpr int kExitUsage = 64;       // the command line is not understood

// Runs one tarvelcfg command line (argv[0] is the program's name): check FILE, dump FILE,
// upgrade IN OUT. Results go to out, messages to err.
int RunTarvelcfg(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace tarvel
