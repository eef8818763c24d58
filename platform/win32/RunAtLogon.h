#pragma once
#include <string>

namespace tarvel {

// A program's entry among those that Windows starts when the user logs on: a value under a Run
// key of the current user, whose text is the program's command.
class RunAtLogon {
 public:
  static constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

  // keyPath: under HKEY_CURRENT_USER; valueName: the entry's name; program: the full path of
  // the program that the entry starts.
  RunAtLogon(std::string keyPath, std::string valueName, std::string program);

  // The full path of the running program.
  static std::string ThisProgram();
  // The program that a Run command starts: the part in quotes, else the text up to ".exe" or
  // to the first blank, with environment variables expanded when expand is set.
  static std::string ProgramOfCommand(const std::string& command, bool expand);

  // The entry is there and starts this program (paths compared as Windows compares them).
  bool IsOn() const;
  // Writes the entry, in quotes, or removes it; false when the registry refused.
  bool Set(bool on) const;

 private:
  std::string keyPath_;
  std::string valueName_;
  std::string program_;
};

}  // namespace tarvel
