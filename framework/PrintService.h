#pragma once
#include <windows.h>

#include <string>

namespace tarvel::fw {

// What a view needs to print: a printer to print on, the name of the document it prints, and a
// way to tell the user that printing failed.
class PrintService {
 public:
  // A DC of the printer to print on (the Print dialog when showDialog is set), which the caller
  // deletes; null when there is nothing to print on or the user cancelled. No printer and
  // failures of the dialog have been told to the user.
  virtual HDC OpenPrinterDC(HWND owner, bool showDialog) = 0;
  // The title of the document that is printed.
  virtual std::string PrintTitle() const = 0;
  virtual void ShowPrintError(HWND owner, const std::string& text) = 0;

 protected:
  ~PrintService() = default;
};

}  // namespace tarvel::fw
