#include "framework/Settings.h"

#include <windows.h>

#include <algorithm>

#include "model/FileOps.h"

namespace tarvel::fw {

namespace {

// An open registry key, closed at the end of the scope.
class RegistryKey {
 public:
  RegistryKey(const std::string& path, bool create) {
    const LONG result = create ? RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                                 KEY_READ | KEY_WRITE, nullptr, &key_, nullptr)
                               : RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key_);
    if (result != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

RegistrySettings::RegistrySettings(const char* company, const char* application)
    : path_(std::string("Software\\") + company + "\\" + application) {}

std::string RegistrySettings::SectionPath(const char* section) const {
  return path_ + "\\" + section;
}

int RegistrySettings::GetInt(const char* section, const char* key, int defaultValue) {
  RegistryKey reg(SectionPath(section), false);
  if (reg.get() == nullptr) return defaultValue;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegQueryValueExA(reg.get(), key, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value))
    return defaultValue;
  return static_cast<int>(value);
}

bool RegistrySettings::WriteInt(const char* section, const char* key, int value) {
  RegistryKey reg(SectionPath(section), true);
  if (reg.get() == nullptr) return false;
  const DWORD data = static_cast<DWORD>(value);
  return RegSetValueExA(reg.get(), key, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                        sizeof(data)) == ERROR_SUCCESS;
}

std::string RegistrySettings::GetString(const char* section, const char* key,
                                        const char* defaultValue) {
  RegistryKey reg(SectionPath(section), false);
  if (reg.get() == nullptr) return defaultValue;
  // Texts are read and written wide (a path may hold any letters) and kept as UTF-8.
  const std::wstring name = WideText(key);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(reg.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return defaultValue;
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(reg.get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
    return defaultValue;
  text.resize(std::min<size_t>(size / sizeof(wchar_t), text.size()));
  // The stored size may or may not count a terminating zero.
  const size_t end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  return Utf8Text(text.c_str());
}

bool RegistrySettings::WriteString(const char* section, const char* key, const char* value) {
  RegistryKey reg(SectionPath(section), true);
  if (reg.get() == nullptr) return false;
  const std::wstring text = WideText(value != nullptr ? value : "");
  return RegSetValueExW(reg.get(), WideText(key).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace tarvel::fw
