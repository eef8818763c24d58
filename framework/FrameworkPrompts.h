#pragma once
#include <windows.h>

#include <string>

namespace tarvel::fw {

// The framework's own questions and messages: the offer to save, the file dialogs and the errors
// of the File commands. The program shows real dialogs; tests answer them.
class FrameworkPrompts {
 public:
  enum class Answer { Yes, No, Cancel };

  // "Save changes to <title>?" with Yes, No and Cancel.
  virtual Answer AskSaveChanges(HWND owner, const std::string& question) = 0;
  // A message with an OK button and an exclamation mark.
  virtual void ShowError(HWND owner, const std::string& text) = 0;
  // The Open and Save As dialogs: filter in the "name\0pattern\0...\0" form, extension without
  // its dot; false when the user cancelled.
  virtual bool ChooseFileToOpen(HWND owner, const std::string& filter, const std::string& extension,
                                std::string* path) = 0;
  virtual bool ChooseFileToSave(HWND owner, const std::string& filter, const std::string& extension,
                                std::string* path) = 0;

 protected:
  ~FrameworkPrompts() = default;
};

// Message boxes titled with the program's name, and the common file dialogs.
class Win32FrameworkPrompts final : public FrameworkPrompts {
 public:
  explicit Win32FrameworkPrompts(std::string title) : title_(std::move(title)) {}
  Answer AskSaveChanges(HWND owner, const std::string& question) override;
  void ShowError(HWND owner, const std::string& text) override;
  bool ChooseFileToOpen(HWND owner, const std::string& filter, const std::string& extension,
                        std::string* path) override;
  bool ChooseFileToSave(HWND owner, const std::string& filter, const std::string& extension,
                        std::string* path) override;

 private:
  std::string title_;
};

}  // namespace tarvel::fw
