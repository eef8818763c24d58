// The mapping engine's mouse: clicks, held buttons and wheel notches of mappings, and the sticks
// that move the pointer and turn the wheel.
#include <algorithm>
#include <cstdlib>

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"

namespace tarvel {
namespace {

constexpr uint8_t kModifierKeyOf[3][2] = {{kModShift, 0x10}, {kModCtrl, 0x11}, {kModAlt, 0x12}};
// A stall of the program (a dialog's modal loop, a slow target window) does not fling the
// pointer across the screen when it ends.
constexpr int64_t kMaxStepUs = 100000;

constexpr uint16_t kButtonFlags[] = {kMkLeft, kMkRight, kMkMiddle, kMkBack, kMkForward};

uint16_t ModifierFlags(uint8_t modifiers) {
  return static_cast<uint16_t>(((modifiers & kModShift) ? kMkShift : 0) |
                               ((modifiers & kModCtrl) ? kMkControl : 0));
}

InputEvent KeyInput(uint8_t virtualKey, bool up) {
  InputEvent e;
  e.kind = InputEvent::Kind::Key;
  e.key = KeyEvent{virtualKey, 0, up};
  return e;
}

InputEvent ButtonInput(MouseButton button, bool up) {
  InputEvent e;
  e.kind = InputEvent::Kind::Button;
  e.button = button;
  e.buttonUp = up;
  return e;
}

InputEvent WheelInput(int32_t dx, int32_t dy) {
  InputEvent e;
  e.kind = InputEvent::Kind::Wheel;
  e.dx = dx;
  e.dy = dy;
  return e;
}

// One notch of a wheel action: the turn as SendInput takes it (dy away from the user, dx to the
// right).
void WheelOf(MouseAction action, int32_t* dx, int32_t* dy) {
  *dx = action == MouseAction::WheelRight  ? kWheelDelta
        : action == MouseAction::WheelLeft ? -kWheelDelta
                                           : 0;
  *dy = action == MouseAction::WheelUp     ? kWheelDelta
        : action == MouseAction::WheelDown ? -kWheelDelta
                                           : 0;
}

struct InputBatch {
  InputEvent events[16];
  int count = 0;
  void Add(const InputEvent& e) {
    if (count < 16) events[count++] = e;
  }
};

// Where a mouse message to a window happens: at the pointer when it is over the window's client
// area, else at the area's centre. Client and screen coordinates of that point.
bool TargetPoint(KeySender& keys, WindowHandle window, MouseMessage* client, MouseMessage* screen) {
  ScreenRect area;
  if (!keys.ClientArea(window, &area)) return false;
  int32_t x = 0;
  int32_t y = 0;
  const bool inside = keys.CursorPosition(&x, &y) && x >= area.left && x < area.right &&
                      y >= area.top && y < area.bottom;
  if (!inside) {
    x = area.left + (area.right - area.left) / 2;
    y = area.top + (area.bottom - area.top) / 2;
  }
  screen->x = x;
  screen->y = y;
  client->x = x - area.left;
  client->y = y - area.top;
  return true;
}

// Keeps the first failure of several messages: it tells why.
void KeepFirst(Delivery* first, const Delivery& d) {
  if (first->Delivered()) *first = d;
}

// Shift, Ctrl and Alt as key messages around a mouse message, as they go around a key.
Delivery SendModifierMessages(KeySender& keys, WindowHandle window, uint8_t modifiers, bool up) {
  Delivery first;
  if (!up) {
    for (const auto& mod : kModifierKeyOf)
      if (modifiers & mod[0]) KeepFirst(&first, keys.SendKeyMessage(window, false, mod[1]));
  } else {
    for (int k = 2; k >= 0; --k)
      if (modifiers & kModifierKeyOf[k][0])
        KeepFirst(&first, keys.SendKeyMessage(window, true, kModifierKeyOf[k][1]));
  }
  return first;
}

}  // namespace

void CTarvelDoc::SendMouseAction(const ButtonMapping& m) {
  KeySender* keys = context_.keys;
  if (keys == nullptr || m.mouse == MouseAction::None) return;
  const bool wheel = IsWheelAction(m.mouse);
  const MouseButton button = ButtonOfAction(m.mouse);
  if (m.windowClass[0] == '\0') {
    if (!ForegroundTakesKeys()) return;
    // A modifier that a held key keeps down stays down.
    auto free = [&](uint8_t virtualKey) {
      return !HeldByOther(held_.size(), nullptr, false, virtualKey);
    };
    InputBatch batch;
    for (const auto& mod : kModifierKeyOf)
      if ((m.modifiers & mod[0]) && free(mod[1])) batch.Add(KeyInput(mod[1], false));
    if (wheel) {
      int32_t dx = 0;
      int32_t dy = 0;
      WheelOf(m.mouse, &dx, &dy);
      batch.Add(WheelInput(dx, dy));
    } else {
      batch.Add(ButtonInput(button, false));
      if (!MouseHeldByOther(held_.size(), nullptr, false, m.mouse))
        batch.Add(ButtonInput(button, true));
    }
    for (int k = 2; k >= 0; --k)
      if ((m.modifiers & kModifierKeyOf[k][0]) && free(kModifierKeyOf[k][1]))
        batch.Add(KeyInput(kModifierKeyOf[k][1], true));
    reports_.Report(keys->InjectInput(batch.events, batch.count), foreground_.ProgramName());
    return;
  }
  const WindowHandle target = FindTargetWindow(m.windowClass);
  if (target == nullptr) return;
  MouseMessage client;
  MouseMessage screen;
  if (!TargetPoint(*keys, target, &client, &screen)) return;
  const uint16_t flags = ModifierFlags(m.modifiers);
  Delivery first = SendModifierMessages(*keys, target, m.modifiers, false);
  if (wheel) {
    int32_t dx = 0;
    int32_t dy = 0;
    WheelOf(m.mouse, &dx, &dy);
    screen.kind = dx != 0 ? MouseMessage::Kind::HorizontalWheel : MouseMessage::Kind::Wheel;
    screen.wheelDelta = static_cast<int16_t>(dx != 0 ? dx : dy);
    screen.keyFlags = flags;
    KeepFirst(&first, keys->SendMouseMessage(target, screen));
  } else {
    client.button = button;
    client.kind = MouseMessage::Kind::ButtonDown;
    client.keyFlags = static_cast<uint16_t>(flags | kButtonFlags[static_cast<int>(button)]);
    KeepFirst(&first, keys->SendMouseMessage(target, client));
    client.kind = MouseMessage::Kind::ButtonUp;
    client.keyFlags = flags;
    KeepFirst(&first, keys->SendMouseMessage(target, client));
  }
  KeepFirst(&first, SendModifierMessages(*keys, target, m.modifiers, true));
  reports_.Report(first, m.windowClass);
}

bool CTarvelDoc::MouseHeldByOther(size_t except, WindowHandle window, bool toWindow,
                                  MouseAction mouse) const {
  for (size_t h = 0; h < held_.size(); ++h) {
    const HeldMapping& other = held_[h];
    if (h != except && other.mouse == mouse && other.toWindow == toWindow && other.window == window)
      return true;
  }
  return false;
}

Delivery CTarvelDoc::SendHeldMouse(size_t index, bool up) {
  KeySender* keys = context_.keys;
  const HeldMapping& h = held_[index];
  const MouseButton button = ButtonOfAction(h.mouse);
  // A button or a modifier that another mapping holds too goes down with the first of them and
  // up with the last.
  auto free = [&](uint8_t virtualKey) {
    return !HeldByOther(index, h.window, h.toWindow, virtualKey);
  };
  const bool buttonFree = !MouseHeldByOther(index, h.window, h.toWindow, h.mouse);
  if (h.toWindow) {
    MouseMessage client;
    MouseMessage screen;
    if (!TargetPoint(*keys, h.window, &client, &screen)) return Delivery{};
    const uint16_t flags = ModifierFlags(h.modifiers);
    Delivery first;
    if (!up) {
      for (const auto& mod : kModifierKeyOf)
        if ((h.modifiers & mod[0]) && free(mod[1]))
          KeepFirst(&first, keys->SendKeyMessage(h.window, false, mod[1]));
    }
    if (buttonFree) {
      client.kind = up ? MouseMessage::Kind::ButtonUp : MouseMessage::Kind::ButtonDown;
      client.button = button;
      client.keyFlags =
          static_cast<uint16_t>(flags | (up ? 0 : kButtonFlags[static_cast<int>(button)]));
      KeepFirst(&first, keys->SendMouseMessage(h.window, client));
    }
    if (up) {
      for (int k = 2; k >= 0; --k)
        if ((h.modifiers & kModifierKeyOf[k][0]) && free(kModifierKeyOf[k][1]))
          KeepFirst(&first, keys->SendKeyMessage(h.window, true, kModifierKeyOf[k][1]));
    }
    return first;
  }
  InputBatch batch;
  if (!up) {
    for (const auto& mod : kModifierKeyOf)
      if ((h.modifiers & mod[0]) && free(mod[1])) batch.Add(KeyInput(mod[1], false));
    if (buttonFree) batch.Add(ButtonInput(button, false));
  } else {
    if (buttonFree) batch.Add(ButtonInput(button, true));
    for (int k = 2; k >= 0; --k)
      if ((h.modifiers & kModifierKeyOf[k][0]) && free(kModifierKeyOf[k][1]))
        batch.Add(KeyInput(kModifierKeyOf[k][1], true));
  }
  return batch.count > 0 ? keys->InjectInput(batch.events, batch.count) : Delivery{};
}

bool CTarvelDoc::SetRowMouseAction(int row, MouseAction action, uint8_t modifiers) {
  ButtonMapping* mapping = MappingAt(row);
  if (mapping == nullptr || static_cast<int>(action) >= kMouseActionCount) return false;
  if (action == MouseAction::None && mapping->mouse == MouseAction::None) return true;
  ReleaseRowKeys(row);
  if (action == MouseAction::None) {
    // Back to a key: the row has none until one is captured or chosen.
    mapping->mouse = MouseAction::None;
    if (mapping->assigned == 0) mapping->modifiers = 0;
    SetModifiedFlag(true);
    if (DocView* view = FirstView()) view->RefreshRowTexts(row);
    return true;
  }
  // The button line of a mouse action holds no key, so that older readers load the row empty;
  // the action takes the place of a sequence or a text too.
  int record = 0;
  int button = 0;
  if (RowToButton(row, &record, &button)) records[record]->ClearExtras(*mapping);
  mapping->mouse = action;
  mapping->assigned = 0;
  mapping->virtualKey = 0;
  mapping->scanCode = 0;
  mapping->modifiers = modifiers & (kModShift | kModCtrl | kModAlt);
  SetModifiedFlag(true);
  if (DocView* view = FirstView()) view->RefreshRowTexts(row);
  return true;
}

bool CTarvelDoc::GetRowMouseAction(int row, MouseAction* action, uint8_t* modifiers) const {
  const ButtonMapping* mapping = MappingAt(row);
  if (mapping == nullptr) return false;
  *action = mapping->mouse;
  *modifiers = mapping->mouse != MouseAction::None ? mapping->modifiers : 0;
  return true;
}

bool CTarvelDoc::GetRecordPointer(int record, PointerSettings* pointer,
                                  ScrollSettings* scroll) const {
  if (record < 0 || record >= recordCount) return false;
  *pointer = records[record]->pointer;
  *scroll = records[record]->scroll;
  return true;
}

bool CTarvelDoc::SetRecordPointer(int record, const PointerSettings& pointer,
                                  const ScrollSettings& scroll) {
  if (record < 0 || record >= recordCount) return false;
  if (pointer.speed < kMinPointerSpeed || pointer.speed > kMaxPointerSpeed ||
      pointer.deadZone > kMaxDeadZonePercent || scroll.deadZone > kMaxDeadZonePercent ||
      static_cast<int>(pointer.pair) >= kStickPairCount ||
      static_cast<int>(scroll.pair) >= kStickPairCount)
    return false;
  DeviceRecord& r = *records[record];
  StopPointer(record);
  r.pointer = pointer;
  r.scroll = scroll;
  SetModifiedFlag(true);
  // The half-axis rows of the sticks type no keys while they drive the mouse: any they hold go
  // up, and the rows say why.
  for (int k = kHatControls; k < kControlCount; ++k) {
    if (!r.HasMapping(kFirstControl + k)) continue;
    if (r.AxisDrivesMouse((k - kHatControls) / 2) && r.controls[k].state != 0)
      ApplyMappingState(record, kFirstControl + k, 0, FirstView());
  }
  if (DocView* view = FirstView()) {
    const int first = ButtonToRow(record, 0);
    for (int n = 0; first >= 0 && n < r.RowCount(); ++n) {
      view->RefreshRowTexts(first + n);
      view->RefreshRowImage(first + n);
    }
  }
  return true;
}

void CTarvelDoc::StopPointer(int record) {
  if (record < 0 || record >= kMaxRecords) return;
  pointerRuntime_[record] = PointerRuntime();
}

bool CTarvelDoc::StickActive(int record) const {
  const DeviceRecord& r = *records[record];
  if (r.pointer.pair == StickPair::None && r.scroll.pair == StickPair::None) return false;
  if (context_.attached == nullptr || r.attachedIndex < 0 ||
      !Attached().IsConnected(r.attachedIndex))
    return false;
  int h = 0;
  int v = 0;
  if (AxesOfPair(r.pointer.pair, &h, &v) &&
      DeflectionPastDeadZone(r.axisValues[h], r.axisValues[v], r.pointer.deadZone) > 0)
    return true;
  if (AxesOfPair(r.scroll.pair, &h, &v)) {
    // Each axis of the scrolling stick turns its own wheel.
    const int32_t limit = r.scroll.deadZone * 10;
    if (std::abs(r.axisValues[h]) > limit || std::abs(r.axisValues[v]) > limit) return true;
  }
  return false;
}

bool CTarvelDoc::NeedsPointerTick() const {
  for (int r = 0; r < recordCount; ++r)
    if (StickActive(r)) return true;
  return false;
}

void CTarvelDoc::MovePointers(int64_t nowUs) {
  KeySender* keys = context_.keys;
  for (int r = 0; r < recordCount; ++r) {
    PointerRuntime& run = pointerRuntime_[r];
    if (!StickActive(r)) {
      run = PointerRuntime();
      continue;
    }
    // The clock starts at the first tick that finds the stick pushed.
    const int64_t elapsed = run.lastUs < 0 ? 0 : std::min(nowUs - run.lastUs, kMaxStepUs);
    run.lastUs = nowUs;
    if (elapsed <= 0 || keys == nullptr) continue;
    const DeviceRecord& record = *records[r];
    InputBatch batch;
    int h = 0;
    int v = 0;
    if (AxesOfPair(record.pointer.pair, &h, &v)) {
      const double topSpeed = static_cast<double>(record.pointer.speed) * pointerDpi_ / 96.0;
      const MotionStep step = PointerStep(record.axisValues[h], record.axisValues[v],
                                          record.pointer.deadZone, topSpeed, elapsed, &run.pointer);
      if (step.dx != 0 || step.dy != 0) {
        InputEvent move;
        move.kind = InputEvent::Kind::Move;
        move.dx = step.dx;
        move.dy = step.dy;
        batch.Add(move);
      }
    }
    if (AxesOfPair(record.scroll.pair, &h, &v)) {
      const MotionStep step = ScrollStep(record.axisValues[h], record.axisValues[v],
                                         record.scroll.deadZone, elapsed, &run.scroll);
      if (step.dy != 0) batch.Add(WheelInput(0, step.dy * kWheelDelta));
      if (step.dx != 0) batch.Add(WheelInput(step.dx * kWheelDelta, 0));
    }
    if (batch.count > 0) keys->InjectInput(batch.events, batch.count);
  }
}

}  // namespace tarvel
