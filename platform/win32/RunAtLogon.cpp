#include "platform/win32/RunAtLogon.h"

#include <windows.h>

#include <cctype>
#include <utility>

namespace tarvel {

namespace {

// Full and long form, so that "C:\PROGRA~1\..\tarvel.exe" and "c:/program files/x/tarvel.exe"
// name the same file as its plain path.
std::string CanonicalPath(const std::string& path) {
  char full[MAX_PATH];
  DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return path;
  char longForm[MAX_PATH];
  const DWORD longLength = GetLongPathNameA(full, longForm, MAX_PATH);
  if (longLength > 0 && longLength < MAX_PATH) return std::string(longForm, longLength);
  return std::string(full, length);
}

bool EndsWithExe(const std::string& text, size_t end) {
  static const char kExe[] = ".exe";
  if (end < 4) return false;
  for (size_t i = 0; i < 4; ++i)
    if (std::tolower(static_cast<unsigned char>(text[end - 4 + i])) != kExe[i]) return false;
  return true;
}

}  // namespace

RunAtLogon::RunAtLogon(std::string keyPath, std::string valueName, std::string program)
    : keyPath_(std::move(keyPath)),
      valueName_(std::move(valueName)),
      program_(std::move(program)) {}

std::string RunAtLogon::ThisProgram() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

std::string RunAtLogon::ProgramOfCommand(const std::string& rawCommand, bool expand) {
  std::string command = rawCommand;
  if (expand) {
    char expanded[MAX_PATH * 2];
    const DWORD length = ExpandEnvironmentStringsA(rawCommand.c_str(), expanded, sizeof(expanded));
    if (length > 0 && length <= sizeof(expanded)) command = expanded;
  }
  size_t start = command.find_first_not_of(" \t");
  if (start == std::string::npos) return std::string();
  if (command[start] == '"') {
    const size_t close = command.find('"', start + 1);
    return command.substr(start + 1, close == std::string::npos ? close : close - start - 1);
  }
  // Without quotes Windows tries the words one by one; a program's name ends in ".exe".
  for (size_t end = start; end <= command.size(); ++end) {
    if (EndsWithExe(command, end) && (end == command.size() || command[end] == ' '))
      return command.substr(start, end - start);
  }
  const size_t blank = command.find_first_of(" \t", start);
  return command.substr(start, blank == std::string::npos ? blank : blank - start);
}

bool RunAtLogon::IsOn() const {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  char command[MAX_PATH * 2] = {};
  DWORD type = 0;
  DWORD size = sizeof(command) - 1;
  const LONG read = RegQueryValueExA(key, valueName_.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(command), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  const std::string program = ProgramOfCommand(command, type == REG_EXPAND_SZ);
  return !program.empty() &&
         lstrcmpiA(CanonicalPath(program).c_str(), CanonicalPath(program_).c_str()) == 0;
}

bool RunAtLogon::Set(bool on) const {
  if (on && program_.empty()) return false;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0,
                      KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  LONG result = ERROR_SUCCESS;
  if (on) {
    const std::string command = "\"" + program_ + "\"";
    result = RegSetValueExA(key, valueName_.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(command.c_str()),
                            static_cast<DWORD>(command.size() + 1));
  } else {
    result = RegDeleteValueA(key, valueName_.c_str());
    if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

}  // namespace tarvel
