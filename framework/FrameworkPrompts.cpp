#include "framework/FrameworkPrompts.h"

#include <commdlg.h>

#include "framework/FrameworkIds.h"
#include "framework/ResourceText.h"
#include "model/FileOps.h"

namespace tarvel::fw {

namespace {

bool RunFileDialog(HWND owner, const std::string& filter, const std::string& extension,
                   std::string* path, bool save) {
  // A title of our own: the dialog uses it for its own questions too ("... already exists").
  std::string title = LoadResourceString(save ? IDS_SAVE_AS_TITLE : IDS_OPEN_TITLE);
  if (title.empty()) title = save ? "Save As" : "Open";
  // The wide dialogs, so that a folder or file may be named in any language. The filter's
  // parts are separated by zeros, each converted on its own.
  std::wstring wideFilter;
  for (size_t start = 0; start < filter.size();) {
    const size_t end = filter.find('\0', start);
    const size_t stop = end == std::string::npos ? filter.size() : end;
    wideFilter += WideText(filter.substr(start, stop - start).c_str());
    wideFilter += L'\0';
    start = stop + 1;
  }
  const std::wstring wideExtension = WideText(extension.c_str());
  const std::wstring wideTitle = WideText(title.c_str());
  wchar_t buffer[MAX_PATH] = {};
  lstrcpynW(buffer, WideText(path->c_str()).c_str(), MAX_PATH);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = wideFilter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = extension.empty() ? nullptr : wideExtension.c_str();
  ofn.lpstrTitle = wideTitle.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!chosen) return false;
  *path = Utf8Text(buffer);
  return true;
}

}  // namespace

FrameworkPrompts::Answer Win32FrameworkPrompts::AskSaveChanges(HWND owner,
                                                               const std::string& question) {
  switch (MessageBoxW(owner, WideText(question.c_str()).c_str(), WideText(title_.c_str()).c_str(),
                      MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDYES:
      return Answer::Yes;
    case IDNO:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

void Win32FrameworkPrompts::ShowError(HWND owner, const std::string& text) {
  MessageBoxW(owner, WideText(text.c_str()).c_str(), WideText(title_.c_str()).c_str(),
              MB_OK | MB_ICONEXCLAMATION);
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
