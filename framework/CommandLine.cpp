#include "framework/CommandLine.h"

#include "model/FileOps.h"

namespace tarvel::fw {

CommandLineInfo CommandLineInfo::Parse(const char* arguments) {
  CommandLineInfo info;
  if (arguments == nullptr) return info;
  const char* p = arguments;
  while (*p != '\0') {
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '\0') break;
    std::string argument;
    bool quoted = false;
    while (*p != '\0' && (quoted || (*p != ' ' && *p != '\t'))) {
      if (*p == '"')
        quoted = !quoted;
      else
        argument += *p;
      ++p;
    }
    if (argument.empty() || argument[0] == '/' || argument[0] == '-') continue;
    if (info.fileName.empty()) {
      info.fileName = argument;
      info.shellCommand = ShellCommand::FileOpen;
    }
  }
  return info;
}

std::string ArgumentsOfCommandLine(const wchar_t* commandLine) {
  if (commandLine == nullptr) return std::string();
  const wchar_t* p = commandLine;
  // The program's name ends at its closing quote, or at the first blank.
  if (*p == L'"') {
    ++p;
    while (*p != L'\0' && *p != L'"') ++p;
    if (*p == L'"') ++p;
  } else {
    while (*p != L'\0' && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return Utf8Text(p);
}

}  // namespace tarvel::fw
