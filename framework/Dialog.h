#pragma once
#include <windows.h>

#include <string>

namespace tarvel::fw {

// A modal dialog from a dialog template of the program's resources. Data exchange: a dialog keeps
// its values in public fields; OnInit writes them into the controls, OnOK reads them back.
class Dialog {
 public:
  // wide: the dialog's controls are wide windows, so that texts in any language (paths) keep
  // every letter through SetItemTextUtf8 and ItemTextUtf8.
  explicit Dialog(int templateId, bool wide = false) : templateId_(templateId), wide_(wide) {}
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;
  virtual ~Dialog() = default;

  // IDOK, IDCANCEL, or -1 when the dialog could not be made.
  INT_PTR DoModal(HWND parent);
  HWND Handle() const { return hwnd_; }
  // Ends the dialog as if a button with this result was pressed (OK runs OnOK first).
  void EndWith(int result);

 protected:
  // Fills the controls; true lets the system give the focus to the first control.
  virtual bool OnInit() { return true; }
  // Reads the controls back; false keeps the dialog open.
  virtual bool OnOK() { return true; }
  virtual void OnCancel() {}
  // Messages other than the OK and Cancel commands; TRUE when handled.
  virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void SetItemText(int id, const char* text) const;
  // Copies at most size-1 characters of the control's text into buffer.
  void GetItemText(int id, char* buffer, int size) const;
  // The length check of a text field: false, with a message and the field selected, when it
  // holds more than maxChars characters.
  bool CheckMaxChars(int id, int maxChars) const;
  void SetItemTextUtf8(int id, const std::string& text) const;
  std::string ItemTextUtf8(int id) const;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  int templateId_;
  bool wide_;
  HWND hwnd_ = nullptr;
};

// A dialog bar: a child window made from a dialog template, used as one of the frame's bars.
class DialogBar {
 public:
  DialogBar() = default;
  DialogBar(const DialogBar&) = delete;
  DialogBar& operator=(const DialogBar&) = delete;
  ~DialogBar();

  bool Create(HWND parent, int templateId, int id);
  HWND Handle() const { return hwnd_; }
  void SetItemText(int id, const char* text) const;
  SIZE Size() const;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // The parent's background beneath the bar, drawn into dc.
  static bool PaintParentBackground(HWND hwnd, HDC dc);
  HWND hwnd_ = nullptr;
};

}  // namespace tarvel::fw
