#pragma once
#include <windows.h>

#include <string>

#include "framework/Dialog.h"

namespace tarvel {

// Asks for a mapping's description: at most 63 characters.
class CDescriptionDlg final : public fw::Dialog {
 public:
  static constexpr int kMaxChars = 63;

  CDescriptionDlg();

  // In: the current description. Out, after OK: the new one.
  std::string m_description;

 protected:
  bool OnInit() override;
  bool OnOK() override;
};

}  // namespace tarvel
