#include "framework/RecentFileList.h"

#include <cstdio>

#include "model/FileOps.h"

namespace tarvel::fw {

namespace {

bool SamePath(const std::string& a, const std::string& b) {
  return CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, WideText(a.c_str()).c_str(), -1,
                        WideText(b.c_str()).c_str(), -1) == CSTR_EQUAL;
}

std::string DoubleAmpersands(const std::string& text) {
  std::string result;
  for (char c : text) {
    result += c;
    if (c == '&') result += '&';
  }
  return result;
}

std::string KeyName(int index) {
  char key[16];
  std::snprintf(key, sizeof(key), "File%d", index + 1);
  return key;
}

}  // namespace

void RecentFileList::Load(SettingsStore& settings) {
  int kept = 0;
  for (int i = 0; i < kCapacity; ++i) paths_[i].clear();
  for (int i = 0; i < kCapacity; ++i) {
    std::string path = settings.GetString(kSection, KeyName(i).c_str(), "");
    if (!path.empty()) paths_[kept++] = path;
  }
}

void RecentFileList::Save(SettingsStore& settings) const {
  for (int i = 0; i < kCapacity; ++i)
    settings.WriteString(kSection, KeyName(i).c_str(), paths_[i].c_str());
}

int RecentFileList::Count() const {
  int n = 0;
  while (n < kCapacity && !paths_[n].empty()) ++n;
  return n;
}

void RecentFileList::Add(const std::string& path) {
  if (path.empty()) return;
  int found = kCapacity - 1;
  for (int i = 0; i < kCapacity; ++i)
    if (!paths_[i].empty() && SamePath(paths_[i], path)) {
      found = i;
      break;
    }
  for (int i = found; i > 0; --i) paths_[i] = paths_[i - 1];
  paths_[0] = path;
}

void RecentFileList::Remove(int index) {
  if (index < 0 || index >= kCapacity) return;
  for (int i = index; i + 1 < kCapacity; ++i) paths_[i] = paths_[i + 1];
  paths_[kCapacity - 1].clear();
}

std::string RecentFileList::MenuText(int index) const {
  if (index < 0 || index >= Count()) return std::string();
  char number[8];
  std::snprintf(number, sizeof(number), "&%d ", index + 1);
  std::string text = number;
  text.append(DoubleAmpersands(AbbreviatePath(paths_[index], 40)));
  return text;
}

void RecentFileList::UpdateMenu(HMENU menu) {
  int position = -1;
  for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i) {
    const UINT id = GetMenuItemID(menu, i);
    if (!IsCommand(id)) continue;
    if (id == firstCommand_ && Count() == 0) {
      char text[128] = {};
      if (GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION) > 0 && text[0] != '&')
        placeholder_ = text;
    }
    DeleteMenu(menu, i, MF_BYPOSITION);
    position = i;
  }
  if (position < 0) return;
  const int count = Count();
  if (count == 0) {
    InsertMenuW(menu, position, MF_BYPOSITION | MF_STRING | MF_GRAYED, firstCommand_,
                WideText(placeholder_.c_str()).c_str());
    return;
  }
  for (int i = 0; i < count; ++i)
    InsertMenuW(menu, position + i, MF_BYPOSITION | MF_STRING, firstCommand_ + i,
                WideText(MenuText(i).c_str()).c_str());
}

std::string AbbreviatePath(const std::string& path, size_t maxLength) {
  if (path.size() <= maxLength) return path;
  const size_t nameStart =
      path.find_last_of("\\/") == std::string::npos ? 0 : path.find_last_of("\\/") + 1;
  const std::string name = path.substr(nameStart);
  // The root: "C:\" or "\\server\share\".
  size_t rootEnd = 0;
  if (path.size() > 2 && path[1] == ':') {
    rootEnd = (path.size() > 2 && (path[2] == '\\' || path[2] == '/')) ? 3 : 2;
  } else if (path.rfind("\\\\", 0) == 0) {
    const size_t server = path.find('\\', 2);
    const size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
    rootEnd = share == std::string::npos ? 0 : share + 1;
  }
  const std::string root = path.substr(0, rootEnd);
  if (root.size() + 4 + name.size() > maxLength) return name;
  // Keep as many trailing folders as fit after "root...\".
  size_t keepFrom = nameStart;
  while (keepFrom > rootEnd + 1) {
    const size_t previous = path.find_last_of("\\/", keepFrom - 2);
    if (previous == std::string::npos || previous < rootEnd) break;
    if (root.size() + 3 + (path.size() - previous) > maxLength) break;
    keepFrom = previous + 1;
  }
  std::string result = root;
  result.append("...");
  result.append(path, keepFrom - 1, std::string::npos);
  return result;
}

}  // namespace tarvel::fw
