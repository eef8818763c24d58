#pragma once
#include <string>

#include "framework/CommandTarget.h"
#include "framework/FrameWindow.h"
#include "model/Document.h"

namespace tarvel::fw {

class View;
class RecentFileList;
class SettingsStore;
class FrameworkPrompts;

// Documents are known by their full path, so that the recent-file list still finds them when the
// program is started from another folder.
std::string FullPath(const std::string& path);

// The single-document template: one document, one frame and one view for the whole run, tied
// together by the resource number of the frame's menu, icon, accelerators and template string
// ("window title\ndocument name\nnew name\nfilter name\n.extension\n..."). It runs the File
// commands: New, Open, Save, Save As, the recent files, and the offer to save a modified
// document before it is replaced or the program ends.
class SingleDocTemplate : public CommandTarget, public CloseQuery {
 public:
  enum class OpenResult { Opened, Cancelled, Failed };

  SingleDocTemplate(int resourceId, Document& document, FrameWindow& frame, View& view,
                    RecentFileList& recentFiles, SettingsStore& settings,
                    FrameworkPrompts& prompts);

  // Makes the frame and its view, once; false when the frame could not be made.
  bool CreateFrame();
  bool HasFrame() const { return frame_.Handle() != nullptr; }

  // File New: the offer to save, then a new document. False when cancelled or failed.
  bool NewDocument();
  // Opens path, or the file that the Open dialog gives when path is empty. On failure the
  // previous document keeps its path, title and records.
  OpenResult OpenDocumentFile(const std::string& path);
  // The offer to save a modified document; false when the user cancelled or the save failed.
  bool SaveModified();
  // File Save (Save As for a document without a file) and File Save As.
  bool Save();
  bool SaveAs();
  // The frame's caption and the view's rows for the current document.
  void InitialUpdateFrame();

  // "Untitled" for a document without a file, else the file's name.
  std::string Title() const;
  std::string Caption() const;
  // Said after the document's title in the caption (why this file is open); empty for nothing.
  void SetTitleNote(const std::string& note);
  const std::string& WindowTitle() const { return windowTitle_; }
  // The file dialogs' filter: the template's filter name with its extension, then all files.
  std::string Filter() const;
  const std::string& Extension() const { return extension_; }

  bool OnCommand(UINT id) override;
  bool OnUpdateCommand(CmdUI& ui) override;
  bool CanCloseFrame() override { return SaveModified(); }

 private:
  bool DoSave(const std::string& path, bool ask);
  void SetPathName(const std::string& path);

  int resourceId_;
  Document& document_;
  FrameWindow& frame_;
  View& view_;
  RecentFileList& recentFiles_;
  SettingsStore& settings_;
  FrameworkPrompts& prompts_;
  std::string windowTitle_;
  std::string documentName_;  // the title of a document that has no file yet
  std::string filterName_;
  std::string extension_;  // without its dot
  std::string titleNote_;
};

}  // namespace tarvel::fw
