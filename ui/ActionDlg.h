#pragma once
#include <windows.h>

#include "framework/Dialog.h"
#include "model/DeviceRecord.h"

namespace tarvel {

// Asks what a press does: one keystroke, the key held while the button is, or the keystroke
// repeated at a rate (keystrokes per second) while it is held.
class CActionDlg final : public fw::Dialog {
 public:
  CActionDlg();

  // In: the current action and rate. Out, after OK: the chosen ones.
  KeyAction m_action = KeyAction::Tap;
  int m_turboRate = kDefaultTurboRate;
  // A mouse action in place of the key (None: the keyboard), with its Shift, Ctrl and Alt,
  // which are ticked here since a mouse button cannot be captured as a key is.
  MouseAction m_mouse = MouseAction::None;
  uint8_t m_mouseModifiers = 0;

 protected:
  bool OnInit() override;
  bool OnOK() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // The rate is asked for only for Turbo; the mouse's action and modifiers only for the mouse.
  void EnableRate();
  void EnableMouse();
};

// "Tap", "Hold" or "Turbo 10/s", as the list shows an action.
void FormatAction(KeyAction action, int turboRate, char* buffer, int size);

}  // namespace tarvel
