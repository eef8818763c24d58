#pragma once
// Settings for the tests: a store in memory, and the removal of a registry store's whole key.
#include <map>
#include <string>
#include <utility>

#include "framework/Settings.h"

namespace tarvel::test {

// Settings that live as long as the test.
class MemorySettings final : public fw::SettingsStore {
 public:
  int GetInt(const char* section, const char* key, int defaultValue) override;
  bool WriteInt(const char* section, const char* key, int value) override;
  std::string GetString(const char* section, const char* key, const char* defaultValue) override;
  bool WriteString(const char* section, const char* key, const char* value) override;

 private:
  using Key = std::pair<std::string, std::string>;
  std::map<Key, int> ints_;
  std::map<Key, std::string> texts_;
};

// Removes the store's whole application key, for tests that use a key of their own; true when
// it is gone or was never there.
bool DeleteAllSettings(const fw::RegistrySettings& settings);

}  // namespace tarvel::test
