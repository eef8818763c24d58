#include "framework/CommandLine.h"

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

}  // namespace tarvel::fw
