#pragma once
#include <windows.h>

#include <functional>

#include "framework/Dialog.h"
#include "model/DeviceRecord.h"
#include "model/RowOutput.h"

namespace tarvel {

// Asks what a press does: its action (one keystroke, the key held while the button is, the
// keystroke repeated at a rate while it is held, or the key latched until the next press), what
// it types (its key, a sequence of keys recorded by pressing them, a text, or a mouse action),
// and a second keystroke for a long press.
class CActionDlg final : public fw::Dialog {
 public:
  CActionDlg();

  // In: the current action and rate. Out, after OK: the chosen ones.
  KeyAction m_action = KeyAction::Tap;
  int m_turboRate = kDefaultTurboRate;
  // In: what the row types and its long press. Out, after OK: all of the choice, action included.
  RowOutput m_output;
  // Called on OK with the choice; a refusal is shown and the dialog stays open. May be empty.
  std::function<RowOutputResult(const RowOutput&)> m_apply;
  // A mouse action in place of the key (None: the keyboard), with its Shift, Ctrl and Alt,
  // which are ticked here since a mouse button cannot be captured as a key is. Read back on OK
  // before m_apply is called.
  MouseAction m_mouse = MouseAction::None;
  uint8_t m_mouseModifiers = 0;

 protected:
  bool OnInit() override;
  bool OnOK() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  KeyAction CheckedAction() const;
  // Shows the steps, with the one at selected chosen.
  void ShowSteps(int selected);
  int SelectedStep() const;
  void OnStepKey(const KeyStroke& stroke);
  void OnStepModifier(int id);
  // The chosen step one place up (-1) or down (1), or removed (0).
  void OnStepMove(int by);
  // Each control enabled only where it means something for the current choice.
  void EnableControls();
  // A message, and the field selected; returns false for OnOK.
  bool Refuse(int field, const char* message) const;
  HWND TextEdit() const;

  RowOutput steps_;  // the steps as edited
};

// "Tap", "Hold", "Turbo 10/s" or "Toggle", as the list shows an action.
void FormatAction(KeyAction action, int turboRate, char* buffer, int size);

}  // namespace tarvel
