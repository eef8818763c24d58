#pragma once
#include <map>
#include <string>
#include <utility>

namespace tarvel::fw {

// The program's settings: integers and texts by section and key.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual int GetInt(const char* section, const char* key, int defaultValue) = 0;
  virtual bool WriteInt(const char* section, const char* key, int value) = 0;
  virtual std::string GetString(const char* section, const char* key, const char* defaultValue) = 0;
  virtual bool WriteString(const char* section, const char* key, const char* value) = 0;
};

// Settings in the registry under HKEY_CURRENT_USER\Software\<company>\<application>\<section>:
// integers as REG_DWORD, texts as REG_SZ.
class RegistrySettings final : public SettingsStore {
 public:
  RegistrySettings(const char* company, const char* application);
  const std::string& KeyPath() const { return path_; }

  int GetInt(const char* section, const char* key, int defaultValue) override;
  bool WriteInt(const char* section, const char* key, int value) override;
  std::string GetString(const char* section, const char* key, const char* defaultValue) override;
  bool WriteString(const char* section, const char* key, const char* value) override;

  // Removes the whole application key, for tests that use a key of their own.
  bool DeleteAll();

 private:
  std::string SectionPath(const char* section) const;
  std::string path_;
};

// Settings in memory, for tests.
class MemorySettings final : public SettingsStore {
 public:
  int GetInt(const char* section, const char* key, int defaultValue) override;
  bool WriteInt(const char* section, const char* key, int value) override;
  std::string GetString(const char* section, const char* key, const char* defaultValue) override;
  bool WriteString(const char* section, const char* key, const char* value) override;

  bool Has(const char* section, const char* key) const;
  int WriteCount() const { return writes_; }

 private:
  using Key = std::pair<std::string, std::string>;
  std::map<Key, int> ints_;
  std::map<Key, std::string> texts_;
  int writes_ = 0;
};

}  // namespace tarvel::fw
