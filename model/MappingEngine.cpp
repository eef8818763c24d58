#include <cstring>

#include "model/TarvelDoc.h"

namespace tarvel {
namespace {

constexpr uint8_t kVkShift = 0x10;
constexpr uint8_t kVkControl = 0x11;
constexpr uint8_t kVkMenu = 0x12;

// Modifier keys in the order they go down; they come up in the reverse order.
struct ModifierKey {
  uint8_t bit;
  uint8_t virtualKey;
};
constexpr ModifierKey kModifierKeys[] = {
    {kModShift, kVkShift}, {kModCtrl, kVkControl}, {kModAlt, kVkMenu}};

}  // namespace

void CTarvelDoc::ProcessButtons(int recordIndex, const uint8_t* buttons) {
  DocView* view = FirstView();
  if (recordIndex < 0 || recordIndex >= recordCount) return;
  DeviceRecord& record = *records[recordIndex];
  const size_t used = static_cast<size_t>(record.buttonCount);
  if (std::memcmp(record.seenStates, buttons, used) == 0) return;
  std::memcpy(record.seenStates, buttons, used);
  for (int i = 0; i < record.buttonCount; ++i) {
    ButtonMapping& mapping = record.buttons[i];
    const uint8_t byte = buttons[i];
    if (byte == mapping.state) continue;
    mapping.state = byte;
    const bool pressed = (byte & 0x80) != 0;
    if (view != nullptr) view->SetPressedMark(ButtonToRow(recordIndex, i), pressed);
    if (mapping.assigned == 0 || !pressed) continue;
    SendKeystroke(mapping);
  }
}

void CTarvelDoc::SendKeystroke(const ButtonMapping& m) {
  KeySender* keys = context_.keys;
  if (keys == nullptr) return;
  if (m.windowClass[0] == '\0') {
    for (const ModifierKey& mod : kModifierKeys)
      if (m.modifiers & mod.bit) keys->InjectKey(mod.virtualKey, 0, false);
    keys->InjectKey(m.virtualKey, m.scanCode, false);
    keys->InjectKey(m.virtualKey, m.scanCode, true);
    for (int k = 2; k >= 0; --k)
      if (m.modifiers & kModifierKeys[k].bit) keys->InjectKey(kModifierKeys[k].virtualKey, 0, true);
    return;
  }
  WindowHandle target = keys->FindTopLevelWindow(m.windowClass);
  if (target == nullptr) return;
  for (const ModifierKey& mod : kModifierKeys)
    if (m.modifiers & mod.bit) keys->SendKeyMessage(target, false, mod.virtualKey);
  keys->SendKeyMessage(target, false, m.virtualKey);
  keys->SendKeyMessage(target, true, m.virtualKey);
  for (int k = 2; k >= 0; --k)
    if (m.modifiers & kModifierKeys[k].bit)
      keys->SendKeyMessage(target, true, kModifierKeys[k].virtualKey);
}

}  // namespace tarvel
