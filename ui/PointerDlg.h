#pragma once
#include <windows.h>

#include <string>

#include "framework/Dialog.h"
#include "model/PointerMotion.h"

namespace tarvel {

// Asks which stick of a controller moves the pointer, how fast and with which dead zone, and
// which stick turns the wheel.
class CPointerDlg final : public fw::Dialog {
 public:
  CPointerDlg();

  // In: the controller's name and its settings. Out, after OK: the chosen ones.
  std::string m_deviceName;
  PointerSettings m_pointer;
  ScrollSettings m_scroll;

 protected:
  bool OnInit() override;
  bool OnOK() override;

 private:
  // A number of an edit field within min..max; otherwise a message, and the field selected.
  bool ReadNumber(int control, int min, int max, const char* message, int* value);
};

// "None", "X and Y axes (left stick)" ...: as the dialog lists the pairs.
const char* StickPairLabel(StickPair pair);

}  // namespace tarvel
