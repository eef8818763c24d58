#pragma once
#include <string>

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

 private:
  std::string SectionPath(const char* section) const;
  std::string path_;
};

}  // namespace tarvel::fw
