#include "tests/shell/TestSettings.h"

#include <windows.h>

namespace tarvel::test {

int MemorySettings::GetInt(const char* section, const char* key, int defaultValue) {
  auto it = ints_.find({section, key});
  return it != ints_.end() ? it->second : defaultValue;
}

bool MemorySettings::WriteInt(const char* section, const char* key, int value) {
  ints_[{section, key}] = value;
  return true;
}

std::string MemorySettings::GetString(const char* section, const char* key,
                                      const char* defaultValue) {
  auto it = texts_.find({section, key});
  return it != texts_.end() ? it->second : std::string(defaultValue);
}

bool MemorySettings::WriteString(const char* section, const char* key, const char* value) {
  texts_[{section, key}] = value != nullptr ? value : "";
  return true;
}

bool DeleteAllSettings(const fw::RegistrySettings& settings) {
  const LONG result = RegDeleteTreeA(HKEY_CURRENT_USER, settings.KeyPath().c_str());
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace tarvel::test
