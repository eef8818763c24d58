#include "framework/PrinterSettings.h"

#include <cderr.h>
#include <winspool.h>

namespace tarvel::fw {

bool PrinterSettings::AnyPrinterInstalled() {
  DWORD needed = 0;
  DWORD count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed,
                &count);
  return needed > 0;
}

void PrinterSettings::Release() {
  if (devMode_ != nullptr) GlobalFree(devMode_);
  if (devNames_ != nullptr) GlobalFree(devNames_);
  devMode_ = nullptr;
  devNames_ = nullptr;
}

PrinterSettings::Outcome PrinterSettings::RunDialog(PRINTDLGA& dialog, DWORD* error) {
  if (!AnyPrinterInstalled()) return Outcome::NoPrinter;
  for (int attempt = 0; attempt < 2; ++attempt) {
    dialog.hDevMode = devMode_;
    dialog.hDevNames = devNames_;
    const BOOL chosen = PrintDlgA(&dialog);
    // The dialog may have replaced the handles, whatever the user answered.
    devMode_ = dialog.hDevMode;
    devNames_ = dialog.hDevNames;
    if (chosen) return Outcome::Chosen;
    const DWORD code = CommDlgExtendedError();
    if (code == 0) return Outcome::Cancelled;
    if (code == PDERR_PRINTERNOTFOUND && attempt == 0 && HasChoice()) {
      // The kept printer has gone: start again from the default printer.
      Release();
      continue;
    }
    if (code == PDERR_NODEFAULTPRN) return Outcome::NoPrinter;
    *error = code;
    return Outcome::Failed;
  }
  return Outcome::NoPrinter;
}

PrinterSettings::Outcome PrinterSettings::Setup(HWND owner, DWORD* error) {
  *error = 0;
  PRINTDLGA dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.Flags = PD_PRINTSETUP;
  return RunDialog(dialog, error);
}

HDC PrinterSettings::CreateKeptPrinterDC() const {
  const auto* names = static_cast<const DEVNAMES*>(GlobalLock(devNames_));
  if (names == nullptr) return nullptr;
  const auto* mode =
      devMode_ != nullptr ? static_cast<const DEVMODEA*>(GlobalLock(devMode_)) : nullptr;
  const char* base = reinterpret_cast<const char*>(names);
  HDC dc = CreateDCA(base + names->wDriverOffset, base + names->wDeviceOffset, nullptr, mode);
  if (mode != nullptr) GlobalUnlock(devMode_);
  GlobalUnlock(devNames_);
  return dc;
}

PrinterSettings::Outcome PrinterSettings::OpenPrinterDC(HWND owner, bool showDialog, HDC* dc,
                                                        DWORD* error) {
  *dc = nullptr;
  *error = 0;
  if (!showDialog && HasChoice()) {
    *dc = CreateKeptPrinterDC();
    if (*dc != nullptr) return Outcome::Chosen;
    *error = GetLastError();
    return AnyPrinterInstalled() ? Outcome::Failed : Outcome::NoPrinter;
  }
  PRINTDLGA dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.nCopies = 1;
  dialog.nFromPage = 1;
  dialog.nToPage = 1;
  dialog.nMinPage = 1;
  dialog.nMaxPage = 1;
  if (showDialog) {
    // The list is printed whole: no page range, no selection.
    dialog.Flags =
        PD_RETURNDC | PD_ALLPAGES | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
    const Outcome outcome = RunDialog(dialog, error);
    if (outcome == Outcome::Chosen) *dc = dialog.hDC;
    if (outcome == Outcome::Chosen && *dc == nullptr) {
      *error = CommDlgExtendedError();
      return Outcome::Failed;
    }
    return outcome;
  }

  // No choice yet and no dialog: the default printer, which stays the default only for this
  // print, so that a later change of the system's default printer is followed.
  if (!AnyPrinterInstalled()) return Outcome::NoPrinter;
  dialog.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
  const BOOL found = PrintDlgA(&dialog);
  if (dialog.hDevMode != nullptr) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames != nullptr) GlobalFree(dialog.hDevNames);
  if (found && dialog.hDC != nullptr) {
    *dc = dialog.hDC;
    return Outcome::Chosen;
  }
  const DWORD code = CommDlgExtendedError();
  if (code == 0 || code == PDERR_NODEFAULTPRN) return Outcome::NoPrinter;
  *error = code;
  return Outcome::Failed;
}

}  // namespace tarvel::fw
