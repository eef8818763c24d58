#include <cstring>

#include "input/JoystickTable.h"
#include "model/KeyBatch.h"
#include "model/TarvelDoc.h"

namespace tarvel {
namespace {

int64_t TurboPeriodMs(const ButtonMapping& m) {
  const int rate = m.turboRate < kMinTurboRate   ? kDefaultTurboRate
                   : m.turboRate > kMaxTurboRate ? kMaxTurboRate
                                                 : m.turboRate;
  return 1000 / rate;
}

}  // namespace

void CTarvelDoc::ProcessButtons(int recordIndex, const uint8_t* buttons) {
  DocView* view = FirstView();
  if (recordIndex < 0 || recordIndex >= recordCount) return;
  DeviceRecord& record = *records[recordIndex];
  const size_t used = static_cast<size_t>(record.buttonCount);
  if (std::memcmp(record.seenStates, buttons, used) == 0) return;
  std::memcpy(record.seenStates, buttons, used);
  for (int i = 0; i < record.buttonCount; ++i)
    if (buttons[i] != record.buttons[i].state) ApplyMappingState(recordIndex, i, buttons[i], view);
}

void CTarvelDoc::ProcessHatsAndAxes(int recordIndex, const int32_t* axes, const uint32_t* povs) {
  if (recordIndex < 0 || recordIndex >= recordCount) return;
  DeviceRecord& record = *records[recordIndex];
  // The pointer and the wheel follow the sticks on their own tick, not on the controller's.
  std::memcpy(record.axisValues, axes, sizeof record.axisValues);
  if (record.controlRows == 0 || context_.attached == nullptr) return;
  // Rows a file names for a hat or an axis this controller lacks stay idle: what the state holds
  // there is no position of anything.
  const JoystickTable& table = Attached();
  const int s = record.attachedIndex;
  if (s < 0 || s >= table.count) return;
  const uint64_t live = record.controlRows & ControlsOfSlot(table, s);
  DocView* view = FirstView();
  for (int k = 0; k < kAxisControlsEnd; ++k) {
    if ((live & ControlBit(k)) == 0) continue;
    const bool was = (record.controls[k].state & 0x80) != 0;
    bool pressed;
    if (k < kHatControls) {
      pressed = HatDirectionPressed(povs[k / kHatDirections], k % kHatDirections);
    } else {
      const int half = k - kHatControls;
      // A stick that moves the pointer or scrolls types nothing.
      pressed = !record.AxisDrivesMouse(half / 2) &&
                HalfAxisPressed(axes[half / 2], half % 2 == 0, record.thresholds[k], was);
    }
    if (pressed != was)
      ApplyMappingState(recordIndex, kFirstControl + k, pressed ? 0x80 : 0x00, view);
  }
}

void CTarvelDoc::ProcessPadControls(int recordIndex, const PadControls& pad) {
  if (recordIndex < 0 || recordIndex >= recordCount || context_.attached == nullptr) return;
  DeviceRecord& record = *records[recordIndex];
  const int s = record.attachedIndex;
  if ((record.controlRows & kPadControls) == 0 || s < 0 || s >= Attached().count) return;
  const uint64_t live = record.controlRows & ControlsOfSlot(Attached(), s);
  DocView* view = FirstView();
  for (int k = kGuideControl; k < kControlCount; ++k) {
    if ((live & ControlBit(k)) == 0) continue;
    const bool was = (record.controls[k].state & 0x80) != 0;
    const bool pressed =
        k == kGuideControl
            ? pad.guide
            : TriggerPressed(k == kLeftTriggerControl ? pad.leftTrigger : pad.rightTrigger,
                             record.thresholds[k], was);
    if (pressed != was)
      ApplyMappingState(recordIndex, kFirstControl + k, pressed ? 0x80 : 0x00, view);
  }
}

void CTarvelDoc::ApplyMappingState(int recordIndex, int index, uint8_t byte, DocView* view) {
  ButtonMapping& mapping = records[recordIndex]->Mapping(index);
  mapping.state = byte;
  const bool pressed = (byte & 0x80) != 0;
  if (view != nullptr) view->SetPressedMark(ButtonToRow(recordIndex, index), pressed);
  if (!pressed) {
    EndPress(recordIndex, index);
    return;
  }
  const bool hasLong = mapping.longPressMs != 0 && mapping.longKey.virtualKey != 0;
  if (!HasOutput(mapping) && records[recordIndex]->TextOf(mapping) == nullptr && !hasLong) return;
  // With a long press, what a press does waits for its length: see OnTick and EndPress.
  if (hasLong) {
    for (const PendingPress& p : pressing_)
      if (p.record == recordIndex && p.button == index) return;
    pressing_.push_back({recordIndex, index, nowMs_ + mapping.longPressMs});
    return;
  }
  ActOnPress(recordIndex, index);
}

void CTarvelDoc::ActOnPress(int recordIndex, int index) {
  const DeviceRecord& record = *records[recordIndex];
  const ButtonMapping& mapping = record.Mapping(index);
  // A row with a long press alone types nothing on a short press.
  if (!HasOutput(mapping) && record.TextOf(mapping) == nullptr) return;
  // A sequence or a text is typed, never held: Hold and Toggle type it as Tap does.
  const bool typesKey = record.SequenceOf(mapping) == nullptr && record.TextOf(mapping) == nullptr;
  // A wheel is turned, never held: held, it turns on by notches, as Turbo does; toggled, as Tap.
  const bool wheel = mapping.mouse != MouseAction::None && IsWheelAction(mapping.mouse);
  switch (mapping.action) {
    case KeyAction::Hold:
      if (wheel) {
        SendOutput(recordIndex, index);
        repeating_.push_back({recordIndex, index, nowMs_ + TurboPeriodMs(mapping)});
        break;
      }
      if (typesKey) {
        PressHeldKeys(recordIndex, index);
        break;
      }
      SendOutput(recordIndex, index);
      break;
    case KeyAction::Toggle:
      if (typesKey && !wheel) {
        // The key it put down comes up; else it goes down, as a Hold press, until the next.
        for (size_t h = 0; h < held_.size(); ++h) {
          if (held_[h].record != recordIndex || held_[h].button != index) continue;
          if (context_.keys != nullptr) SendHeldKeys(h, true);
          held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(h));
          return;
        }
        const size_t before = held_.size();
        PressHeldKeys(recordIndex, index);
        if (held_.size() > before) held_.back().latched = true;
        break;
      }
      SendOutput(recordIndex, index);
      break;
    case KeyAction::Turbo:
      SendOutput(recordIndex, index);
      repeating_.push_back({recordIndex, index, nowMs_ + TurboPeriodMs(mapping)});
      break;
    default:
      SendOutput(recordIndex, index);
      break;
  }
}

void CTarvelDoc::EndPress(int record, int button) {
  for (size_t p = 0; p < pressing_.size(); ++p) {
    if (pressing_[p].record != record || pressing_[p].button != button) continue;
    // Let go before its long press: the row's own output, as a press and its release at once.
    pressing_.erase(pressing_.begin() + static_cast<std::ptrdiff_t>(p));
    ActOnPress(record, button);
    break;
  }
  std::erase_if(repeating_, [&](const RepeatingMapping& r) {
    return r.record == record && r.button == button;
  });
  // A toggled key stays down; a sequence being typed goes on to its end.
  for (size_t h = 0; h < held_.size();) {
    if (held_[h].record != record || held_[h].button != button || held_[h].latched) {
      ++h;
      continue;
    }
    if (context_.keys != nullptr) SendHeldKeys(h, true);
    held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(h));
  }
}

void CTarvelDoc::OnTick(int64_t nowMs) {
  nowMs_ = nowMs;
  for (size_t p = 0; p < pressing_.size();) {
    if (nowMs < pressing_[p].dueMs) {
      ++p;
      continue;
    }
    // Held long enough: the second keystroke now, and nothing when the button is let go.
    const ButtonMapping& mapping = records[pressing_[p].record]->Mapping(pressing_[p].button);
    pressing_.erase(pressing_.begin() + static_cast<std::ptrdiff_t>(p));
    SendKeystrokes(mapping, &mapping.longKey, 1);
  }
  for (RepeatingMapping& r : repeating_) {
    if (nowMs < r.dueMs) continue;
    const ButtonMapping& mapping = records[r.record]->Mapping(r.button);
    // A sequence still being typed from the last repeat is not queued again.
    if (!IsTyping(r.record, r.button)) SendOutput(r.record, r.button);
    // A late tick does not make up the keystrokes it missed in a burst.
    r.dueMs += TurboPeriodMs(mapping);
    if (r.dueMs <= nowMs) r.dueMs = nowMs + TurboPeriodMs(mapping);
  }
  TypeDueSteps(nowMs);
}

bool CTarvelDoc::HeldByOther(size_t except, WindowHandle window, bool toWindow,
                             uint8_t virtualKey) const {
  for (size_t h = 0; h < held_.size(); ++h) {
    const HeldMapping& other = held_[h];
    if (h == except || other.toWindow != toWindow || other.window != window) continue;
    if (other.mouse == MouseAction::None && other.virtualKey == virtualKey) return true;
    for (const ModifierKey& mod : kModifierKeys)
      if ((other.modifiers & mod.bit) && mod.virtualKey == virtualKey) return true;
  }
  return false;
}

void CTarvelDoc::PressHeldKeys(int record, int button) {
  KeySender* keys = context_.keys;
  const ButtonMapping& m = records[record]->Mapping(button);
  if (keys == nullptr) return;
  HeldMapping hold{record,       button,     nullptr,     m.windowClass[0] != '\0',
                   m.virtualKey, m.scanCode, m.modifiers, m.mouse};
  if (hold.toWindow) {
    hold.window = FindTargetWindow(m.windowClass);
    if (hold.window == nullptr) return;
  } else if (!ForegroundTakesKeys()) {
    return;
  }
  held_.push_back(hold);
  const Delivery delivery = SendHeldKeys(held_.size() - 1, false);
  reports_.Report(delivery, hold.toWindow ? m.windowClass : foreground_.ProgramName());
}

bool CTarvelDoc::ForegroundTakesKeys() {
  if (foreground_.Check() != Elevation::Higher) return true;
  Delivery refused;
  refused.fault = DeliveryFault::Elevated;
  reports_.Report(refused, foreground_.ProgramName());
  return false;
}

WindowHandle CTarvelDoc::FindTargetWindow(const char* className) {
  const WindowHandle window = context_.keys->FindTopLevelWindow(className);
  if (window != nullptr) {
    reports_.WindowFound(className);
    return window;
  }
  Delivery none;
  none.fault = DeliveryFault::NoWindow;
  reports_.Report(none, className);
  return nullptr;
}

Delivery CTarvelDoc::SendHeldKeys(size_t index, bool keyUp) {
  KeySender* keys = context_.keys;
  const HeldMapping& h = held_[index];
  if (h.mouse != MouseAction::None) return SendHeldMouse(index, keyUp);
  // A key another mapping holds too goes down with the first and up with the last of them.
  auto free = [&](uint8_t virtualKey) {
    return !HeldByOther(index, h.window, h.toWindow, virtualKey);
  };
  if (h.toWindow) {
    Delivery first;  // the first message that failed tells why
    auto send = [&](bool up, uint8_t virtualKey) {
      const Delivery d = keys->SendKeyMessage(h.window, up, virtualKey);
      if (first.Delivered()) first = d;
    };
    if (!keyUp) {
      for (const ModifierKey& mod : kModifierKeys)
        if ((h.modifiers & mod.bit) && free(mod.virtualKey)) send(false, mod.virtualKey);
      if (free(h.virtualKey)) send(false, h.virtualKey);
    } else {
      if (free(h.virtualKey)) send(true, h.virtualKey);
      for (int k = 2; k >= 0; --k)
        if ((h.modifiers & kModifierKeys[k].bit) && free(kModifierKeys[k].virtualKey))
          send(true, kModifierKeys[k].virtualKey);
    }
    return first;
  }
  KeyBatch batch;
  if (!keyUp) {
    for (const ModifierKey& mod : kModifierKeys)
      if ((h.modifiers & mod.bit) && free(mod.virtualKey)) batch.Add(mod.virtualKey, 0, false);
    if (free(h.virtualKey)) batch.Add(h.virtualKey, h.scanCode, false);
  } else {
    if (free(h.virtualKey)) batch.Add(h.virtualKey, h.scanCode, true);
    for (int k = 2; k >= 0; --k)
      if ((h.modifiers & kModifierKeys[k].bit) && free(kModifierKeys[k].virtualKey))
        batch.Add(kModifierKeys[k].virtualKey, 0, true);
  }
  return batch.count > 0 ? keys->InjectKeys(batch.events, batch.count) : Delivery{};
}

void CTarvelDoc::ReleaseMappingKeys(int record, int button) {
  const auto ofMapping = [&](const auto& entry) {
    return entry.record == record && entry.button == button;
  };
  std::erase_if(pressing_, ofMapping);
  std::erase_if(typing_, ofMapping);
  std::erase_if(repeating_, ofMapping);
  for (size_t h = 0; h < held_.size();) {
    if (held_[h].record != record || held_[h].button != button) {
      ++h;
      continue;
    }
    if (context_.keys != nullptr) SendHeldKeys(h, true);
    held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(h));
  }
}

void CTarvelDoc::ReleaseRecordKeys(int record) {
  if (record < 0 || record >= recordCount) return;
  for (int i = 0; i < kMappingSlots; ++i)
    if (records[record]->HasMapping(i)) ReleaseMappingKeys(record, i);
}

void CTarvelDoc::ReleaseHeldKeys() {
  repeating_.clear();
  typing_.clear();
  pressing_.clear();
  // The last held first, so that shared keys come up once, after the keys held with them.
  while (!held_.empty()) {
    if (context_.keys != nullptr) SendHeldKeys(held_.size() - 1, true);
    held_.pop_back();
  }
}

void CTarvelDoc::SendKeystroke(const ButtonMapping& m) {
  if (m.mouse != MouseAction::None) {
    SendMouseAction(m);
    return;
  }
  const KeyStroke stroke{m.virtualKey, m.scanCode, m.modifiers};
  SendKeystrokes(m, &stroke, 1);
}

void CTarvelDoc::SendKeystrokes(const ButtonMapping& m, const KeyStroke* steps, int count) {
  KeySender* keys = context_.keys;
  if (keys == nullptr || count <= 0) return;
  if (m.windowClass[0] == '\0') {
    if (!ForegroundTakesKeys()) return;
    // A modifier that a held key keeps down stays down: its key-up would let go of it.
    auto free = [&](uint8_t virtualKey) {
      return !HeldByOther(held_.size(), nullptr, false, virtualKey);
    };
    KeyBatch batch;
    for (int i = 0; i < count && i < kMaxSequenceSteps; ++i) {
      const KeyStroke& s = steps[i];
      for (const ModifierKey& mod : kModifierKeys)
        if ((s.modifiers & mod.bit) && free(mod.virtualKey)) batch.Add(mod.virtualKey, 0, false);
      batch.Add(s.virtualKey, s.scanCode, false);
      if (free(s.virtualKey)) batch.Add(s.virtualKey, s.scanCode, true);
      for (int k = 2; k >= 0; --k)
        if ((s.modifiers & kModifierKeys[k].bit) && free(kModifierKeys[k].virtualKey))
          batch.Add(kModifierKeys[k].virtualKey, 0, true);
    }
    reports_.Report(keys->InjectKeys(batch.events, batch.count), foreground_.ProgramName());
    return;
  }
  WindowHandle target = FindTargetWindow(m.windowClass);
  if (target == nullptr) return;
  Delivery first;  // the first message that failed tells why
  auto send = [&](bool keyUp, uint8_t virtualKey) {
    const Delivery d = keys->SendKeyMessage(target, keyUp, virtualKey);
    if (first.Delivered()) first = d;
  };
  for (int i = 0; i < count && i < kMaxSequenceSteps; ++i) {
    const KeyStroke& s = steps[i];
    for (const ModifierKey& mod : kModifierKeys)
      if (s.modifiers & mod.bit) send(false, mod.virtualKey);
    send(false, s.virtualKey);
    send(true, s.virtualKey);
    for (int k = 2; k >= 0; --k)
      if (s.modifiers & kModifierKeys[k].bit) send(true, kModifierKeys[k].virtualKey);
  }
  reports_.Report(first, m.windowClass);
}

}  // namespace tarvel
