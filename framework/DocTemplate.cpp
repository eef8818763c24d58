#include "framework/DocTemplate.h"

#include <cstdio>

#include "framework/FrameworkIds.h"
#include "framework/FrameworkPrompts.h"
#include "framework/RecentFileList.h"
#include "framework/ResourceText.h"
#include "framework/Settings.h"
#include "framework/View.h"
#include "model/FileOps.h"

namespace tarvel::fw {

namespace {

// Opened only when it is a plain file: opening a pipe or a port could wait for ever.
bool CanReadFile(const std::string& path) {
  std::FILE* file = OpenFileForReading(path.c_str());
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

// The system's file calls take no longer path; a save needs room for its temporary name too.
constexpr const char* kPathTooLongText = "\n\nIts full path is too long.";

// The caption in wide text: a file's name may hold any letters. The frame is a window of the
// 8-bit kind, whose own WM_SETTEXT would pass the text through the ANSI code page; the wide
// default procedure keeps it whole.
void SetCaption(HWND window, const std::string& caption) {
  const std::wstring text = WideText(caption.c_str());
  if (IsWindowUnicode(window))
    SetWindowTextW(window, text.c_str());
  else
    DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

std::string FullPath(const std::string& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetFullPathNameW(WideText(path.c_str()).c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH) return path;
  return Utf8Text(buffer);
}

SingleDocTemplate::SingleDocTemplate(int resourceId, Document& document, FrameWindow& frame,
                                     View& view, RecentFileList& recentFiles,
                                     SettingsStore& settings, FrameworkPrompts& prompts)
    : resourceId_(resourceId),
      document_(document),
      frame_(frame),
      view_(view),
      recentFiles_(recentFiles),
      settings_(settings),
      prompts_(prompts) {
  const std::string strings = LoadResourceString(static_cast<UINT>(resourceId));
  windowTitle_ = TextPart(strings, 0);
  documentName_ = TextPart(strings, 1);
  filterName_ = TextPart(strings, 3);
  extension_ = TextPart(strings, 4);
  if (!extension_.empty() && extension_[0] == '.') extension_.erase(0, 1);
}

bool SingleDocTemplate::CreateFrame() {
  if (HasFrame()) return true;
  frame_.SetView(&view_);
  frame_.SetCloseQuery(this);
  frame_.SetRecentFileList(&recentFiles_);
  if (!frame_.LoadFrame(resourceId_, windowTitle_.c_str())) return false;
  SetCaption(frame_.Handle(), Caption());
  return true;
}

bool SingleDocTemplate::NewDocument() {
  const bool hadFrame = HasFrame();
  if (!CreateFrame()) return false;
  if (hadFrame && !SaveModified()) return false;
  if (!document_.OnNewDocument()) return false;
  document_.SetPathName("");
  InitialUpdateFrame();
  return true;
}

SingleDocTemplate::OpenResult SingleDocTemplate::OpenDocumentFile(const std::string& requested) {
  const bool hadFrame = HasFrame();
  if (!CreateFrame()) return OpenResult::Failed;
  std::string path = requested;
  if (path.empty() && !prompts_.ChooseFileToOpen(frame_.Handle(), Filter(), extension_, &path))
    return OpenResult::Cancelled;
  if (hadFrame && !SaveModified()) return OpenResult::Cancelled;
  if (!path.empty()) path = FullPath(path);
  const std::string cannotOpen =
      FormatString1(LoadResourceString(IDS_CANNOT_OPEN, "Cannot open %1."), path);
  if (PathTooLong(path.c_str())) {
    prompts_.ShowError(frame_.Handle(), cannotOpen + kPathTooLongText);
    return OpenResult::Failed;
  }
  if (!CanReadFile(path)) {
    prompts_.ShowError(frame_.Handle(), cannotOpen);
    return OpenResult::Failed;
  }
  // The document reports a file of the wrong format itself and then keeps its records; a file
  // that could not be read after all (a drive gone part way) is said here, as above.
  if (!document_.OnOpenDocument(path.c_str())) {
    if (document_.LastOpenFailure() == Document::OpenFailure::CannotRead)
      prompts_.ShowError(frame_.Handle(), cannotOpen);
    return OpenResult::Failed;
  }
  document_.SetModifiedFlag(false);
  SetPathName(path);
  InitialUpdateFrame();
  return OpenResult::Opened;
}

bool SingleDocTemplate::SaveModified() {
  if (!document_.IsModified()) return true;
  const std::string question =
      FormatString1(LoadResourceString(IDS_SAVE_CHANGES, "Save changes to %1?"), Title());
  switch (prompts_.AskSaveChanges(frame_.Handle(), question)) {
    case FrameworkPrompts::Answer::Yes:
      return Save();
    case FrameworkPrompts::Answer::No:
      return true;
    case FrameworkPrompts::Answer::Cancel:
    default:
      return false;
  }
}

bool SingleDocTemplate::Save() { return DoSave(document_.GetPathName(), false); }

bool SingleDocTemplate::SaveAs() { return DoSave(document_.GetPathName(), true); }

bool SingleDocTemplate::DoSave(const std::string& current, bool ask) {
  std::string path = current;
  // A document without a file is offered under its title, with the extension of its kind.
  if (path.empty()) path = Title() + (extension_.empty() ? "" : "." + extension_);
  if ((ask || current.empty()) &&
      !prompts_.ChooseFileToSave(frame_.Handle(), Filter(), extension_, &path))
    return false;
  if (!document_.OnSaveDocument(path.c_str())) {
    prompts_.ShowError(frame_.Handle(),
                       FormatString1(LoadResourceString(IDS_CANNOT_SAVE, "Cannot save %1."), path) +
                           (PathTooLong(path.c_str()) ? kPathTooLongText : ""));
    return false;
  }
  SetPathName(path);
  if (HasFrame()) SetCaption(frame_.Handle(), Caption());
  return true;
}

void SingleDocTemplate::SetPathName(const std::string& name) {
  const std::string path = FullPath(name);
  document_.SetPathName(path);
  recentFiles_.Add(path);
  recentFiles_.Save(settings_);
}

void SingleDocTemplate::InitialUpdateFrame() {
  if (!HasFrame()) return;
  SetCaption(frame_.Handle(), Caption());
  view_.OnInitialUpdate();
}

std::string SingleDocTemplate::Title() const {
  const std::string& path = document_.GetPathName();
  if (path.empty())
    return documentName_.empty() ? LoadResourceString(IDS_UNTITLED, "Untitled") : documentName_;
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SingleDocTemplate::Caption() const {
  return Title() + titleNote_ + " - " + windowTitle_;
}

void SingleDocTemplate::SetTitleNote(const std::string& note) {
  titleNote_ = note;
  if (HasFrame()) SetCaption(frame_.Handle(), Caption());
}

std::string SingleDocTemplate::Filter() const {
  std::string filter;
  if (!filterName_.empty()) {
    filter += filterName_;
    filter += '\0';
    filter += "*." + extension_;
    filter += '\0';
  }
  filter += LoadResourceString(IDS_ALL_FILES, "All Files (*.*)");
  filter += '\0';
  filter += "*.*";
  filter += '\0';
  return filter;
}

bool SingleDocTemplate::OnCommand(UINT id) {
  switch (id) {
    case ID_FILE_SAVE:
      Save();
      return true;
    case ID_FILE_SAVE_AS:
      SaveAs();
      return true;
    default:
      return false;
  }
}

bool SingleDocTemplate::OnUpdateCommand(CmdUI& ui) {
  return ui.id == ID_FILE_SAVE || ui.id == ID_FILE_SAVE_AS;
}

}  // namespace tarvel::fw
