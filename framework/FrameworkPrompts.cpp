#include "framework/FrameworkPrompts.h"

#include <commdlg.h>

#include "framework/ResourceText.h"
#include "framework/FrameworkIds.h"

namespace tarvel::fw {

namespace {

bool RunFileDialog(HWND owner, const std::string& filter, const std::string& extension,
                   std::string* path, bool save) {
  // A title of our own: the dialog uses it for its own questions too ("... already exists").
  std::string title = LoadResourceString(save ? IDS_SAVE_AS_TITLE : IDS_OPEN_TITLE);
  if (title.empty()) title = save ? "Save As" : "Open";
  char buffer[MAX_PATH] = {};
  lstrcpynA(buffer, path->c_str(), MAX_PATH);
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!chosen) return false;
  *path = buffer;
  return true;
}

}  // namespace

FrameworkPrompts::Answer Win32FrameworkPrompts::AskSaveChanges(HWND owner,
                                                               const std::string& question) {
  switch (
      MessageBoxA(owner, question.c_str(), title_.c_str(), MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDYES:
      return Answer::Yes;
    case IDNO:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

void Win32FrameworkPrompts::ShowError(HWND owner, const std::string& text) {
  MessageBoxA(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

bool Win32FrameworkPrompts::ChooseFileToOpen(HWND owner, const std::string& filter,
                                             const std::string& extension, std::string* path) {
  return RunFileDialog(owner, filter, extension, path, false);
}

bool Win32FrameworkPrompts::ChooseFileToSave(HWND owner, const std::string& filter,
                                             const std::string& extension, std::string* path) {
  return RunFileDialog(owner, filter, extension, path, true);
}

}  // namespace tarvel::fw
