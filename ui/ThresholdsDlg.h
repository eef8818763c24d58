#pragma once
#include <windows.h>

#include "framework/Dialog.h"
#include "model/Controls.h"

namespace tarvel {

// Asks at which deflection a half-axis row is pressed and under which it is let go again, in
// percent of the half-range: 1-99, release below press.
class CThresholdsDlg final : public fw::Dialog {
 public:
  CThresholdsDlg();

  // In: the current thresholds. Out, after OK: the chosen ones.
  int m_pressPercent = kDefaultPressPercent;
  int m_releasePercent = kDefaultReleasePercent;

 protected:
  bool OnInit() override;
  bool OnOK() override;

 private:
  bool ReadPercent(int control, int* value);
};

}  // namespace tarvel
