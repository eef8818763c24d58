#pragma once
#include <windows.h>

#include <string>

#include "framework/Settings.h"

namespace tarvel::fw {

// The most recently used files, newest first, kept in the settings as "File1" to "File4" of the
// section "Recent File List" and shown in the File menu in place of its "Recent File" item.
class RecentFileList {
 public:
  static constexpr int kCapacity = 4;
  static constexpr const char* kSection = "Recent File List";

  // firstCommand: the command of entry 0; entry i has firstCommand + i.
  explicit RecentFileList(UINT firstCommand) : firstCommand_(firstCommand) {}

  void Load(SettingsStore& settings);
  void Save(SettingsStore& settings) const;

  int Count() const;
  const std::string& operator[](int index) const { return paths_[index]; }
  // Puts path first; an entry for the same file (case ignored) moves up instead of doubling.
  void Add(const std::string& path);
  void Remove(int index);

  bool IsCommand(UINT id) const { return id >= firstCommand_ && id < firstCommand_ + kCapacity; }
  int IndexOf(UINT id) const { return static_cast<int>(id - firstCommand_); }

  // The menu text of entry index: "&1 " and the path, shortened to about 40 characters, with
  // every "&" doubled.
  std::string MenuText(int index) const;
  // Replaces the entries (or the placeholder) in menu by the current list; the placeholder,
  // grayed, when the list is empty. Does nothing when menu has neither.
  void UpdateMenu(HMENU menu);

 private:
  UINT firstCommand_;
  std::string paths_[kCapacity];
  std::string placeholder_ = "Recent File";
};

// path shortened to at most maxLength characters by putting "..." in place of leading folders,
// keeping the root and the file name.
std::string AbbreviatePath(const std::string& path, size_t maxLength);

}  // namespace tarvel::fw
