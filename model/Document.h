#pragma once
#include <string>

#include "model/DocView.h"

namespace tarvel {

// The portable part of a single-document application's document: the modified flag, the path
// and the views. The shell's document template drives the File commands through it.
class Document {
 public:
  virtual ~Document() = default;

  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified = true) { modified_ = modified; }

  const std::string& GetPathName() const { return path_; }
  void SetPathName(const std::string& path) { path_ = path; }

  void AddView(DocView* view);
  void RemoveView(DocView* view);
  DocView* FirstView() const { return viewCount_ > 0 ? views_[0] : nullptr; }
  void UpdateAllViews(DocView* sender, long hint);

  // The File commands. Open returns true only when the file was read.
  virtual bool OnNewDocument();
  virtual bool OnOpenDocument(const char* path) = 0;
  virtual bool OnSaveDocument(const char* path) = 0;

  // Why the last OnOpenDocument failed: the file could not be read (the caller tells the user),
  // or its content was refused and the document has told the user itself.
  enum class OpenFailure { None, CannotRead, Reported };
  OpenFailure LastOpenFailure() const { return openFailure_; }

 protected:
  void SetOpenFailure(OpenFailure failure) { openFailure_ = failure; }

 private:
  static constexpr int kMaxViews = 4;
  DocView* views_[kMaxViews] = {};
  int viewCount_ = 0;
  bool modified_ = false;
  OpenFailure openFailure_ = OpenFailure::None;
  std::string path_;
};

}  // namespace tarvel
