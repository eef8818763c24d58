#pragma once
#include <windows.h>
// <commdlg.h> needs <windows.h> first.
#include <commdlg.h>

namespace tarvel::fw {

// The printer that the user chose in Print Setup or in the Print dialog (its DEVMODE and
// DEVNAMES), kept for the prints that follow. Until there is a choice, the system's default
// printer serves.
class PrinterSettings {
 public:
  enum class Outcome { Chosen, Cancelled, NoPrinter, Failed };

  PrinterSettings() = default;
  ~PrinterSettings() { Release(); }
  PrinterSettings(const PrinterSettings&) = delete;
  PrinterSettings& operator=(const PrinterSettings&) = delete;

  // The Print Setup dialog on the kept printer; OK keeps the new choice. error: the dialog's
  // extended error when the outcome is Failed.
  Outcome Setup(HWND owner, DWORD* error);
  // A DC to print on, which the caller deletes: from the Print dialog when showDialog is set,
  // else from the kept printer or the default one without a dialog.
  Outcome OpenPrinterDC(HWND owner, bool showDialog, HDC* dc, DWORD* error);

  bool HasChoice() const { return devNames_ != nullptr; }
  // Forgets the choice and frees its memory.
  void Release();

  // Whether the system knows of any printer, local or connected.
  static bool AnyPrinterInstalled();

 private:
  // PrintDlgA on the kept printer; adopts the handles it hands back.
  Outcome RunDialog(PRINTDLGA& dialog, DWORD* error);
  HDC CreateKeptPrinterDC() const;

  HGLOBAL devMode_ = nullptr;
  HGLOBAL devNames_ = nullptr;
};

}  // namespace tarvel::fw
