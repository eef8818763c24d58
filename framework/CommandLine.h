#pragma once
#include <string>

namespace tarvel::fw {

// What the command line asks the program to do at start-up.
struct CommandLineInfo {
  enum class ShellCommand { FileNew, FileOpen };

  // The arguments after the program's name, as WinMain gets them: the first argument that is not
  // a switch ("/x" or "-x") names a file to open; quotes group words with blanks.
  static CommandLineInfo Parse(const char* arguments);

  ShellCommand shellCommand = ShellCommand::FileNew;
  std::string fileName;
};

// The arguments after the program's name in a whole wide command line (GetCommandLineW), as
// UTF-8: a file may be named in any language.
std::string ArgumentsOfCommandLine(const wchar_t* commandLine);

}  // namespace tarvel::fw
