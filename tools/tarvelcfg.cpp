#include <iostream>
#include <string>
#include <vector>

#include "tools/ToolCommands.h"

#if defined(_WIN32)
#include <windows.h>
// <shellapi.h> needs <windows.h> first.
#include <shellapi.h>

#include "model/FileOps.h"

// The arguments from the wide command line, as UTF-8: a file may be named in any language.
int main() {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) texts.push_back(tarvel::Utf8Text(wide[i]));
  LocalFree(wide);
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  return tarvel::RunTarvelcfg(count, argv.data(), std::cout, std::cerr);
}
#else
int main(int argc, char** argv) { return tarvel::RunTarvelcfg(argc, argv, std::cout, std::cerr); }
#endif
