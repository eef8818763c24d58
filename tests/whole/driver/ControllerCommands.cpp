// Commands that describe the fake controllers: slots, buttons, plugging and faults.
#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "Driver.h"
#include "fakedinput/FakeDInputControl.h"

namespace tarveldrive {
namespace {

using fakedinput::Controller;
using fakedinput::FakeDInputShared;

bool ParseCount(const std::string& text, int limit, const char* what, int* count) {
  long long value;
  if (!ParseNumber(text, &value)) return false;
  if (value < 0 || value > limit) {
    std::fprintf(stderr, "tarveldrive: %s %s is not in 0..%d\n", what, text.c_str(), limit);
    return false;
  }
  *count = static_cast<int>(value);
  return true;
}

bool ParseGuidOr(const std::string& text, const GUID& automatic, GUID* guid) {
  if (text == "auto") {
    *guid = automatic;
    return true;
  }
  if (fakedinput::ParseGuid(text, guid)) return true;
  std::fprintf(stderr, "tarveldrive: \"%s\" is neither auto nor a GUID like %s\n", text.c_str(),
               fakedinput::FormatGuid(automatic).c_str());
  return false;
}

// The slot named by the first argument, which must hold a controller.
Controller* DefinedSlot(Context& context, FakeDInputShared** shared, int* index) {
  *shared = context.Controllers();
  if (*shared == nullptr || !ParseSlot(context.args[0], index)) return nullptr;
  Controller& controller = (*shared)->controllers[*index];
  if (!controller.defined) {
    std::fprintf(stderr, "tarveldrive: slot %d holds no controller (add-controller first)\n",
                 *index);
    return nullptr;
  }
  return &controller;
}

int AddController(Context& context) {
  FakeDInputShared* shared = context.Controllers();
  if (shared == nullptr) return kNoShared;
  const std::vector<std::string>& args = context.args;
  int index;
  GUID instance;
  GUID product;
  int buttons;
  int axes;
  int povs = 0;
  if (!ParseSlot(args[0], &index) ||
      !ParseGuidOr(args[1], fakedinput::DefaultInstanceGuid(index), &instance) ||
      !ParseGuidOr(args[2], fakedinput::DefaultProductGuid(index), &product) ||
      !ParseCount(args[4], fakedinput::kMaxButtons, "button count", &buttons) ||
      !ParseCount(args[5], fakedinput::kMaxAxes, "axis count", &axes) ||
      (args.size() > 6 &&
       !ParseCount(args[6], fakedinput::kMaxPovs, "point-of-view count", &povs))) {
    return kUsage;
  }
  if (args[3].size() >= fakedinput::kNameSize) {
    std::fprintf(stderr, "tarveldrive: a product name has at most %d characters\n",
                 fakedinput::kNameSize - 1);
    return kUsage;
  }
  fakedinput::DefineController(*shared, index, instance, product, args[3], buttons, axes, povs);
  return kOk;
}

int RemoveController(Context& context) {
  FakeDInputShared* shared = context.Controllers();
  int index;
  if (shared == nullptr) return kNoShared;
  if (!ParseSlot(context.args[0], &index)) return kUsage;
  fakedinput::RemoveController(*shared, index);
  return kOk;
}

int Plug(Context& context, bool present) {
  FakeDInputShared* shared;
  int index;
  if (DefinedSlot(context, &shared, &index) == nullptr) return shared ? kUsage : kNoShared;
  fakedinput::SetPresent(*shared, index, present);
  return kOk;
}

int Unplug(Context& context) { return Plug(context, false); }
int Replug(Context& context) { return Plug(context, true); }

// Sets each named button of the slot to `value`.
int SetButtons(Context& context, size_t first, BYTE value) {
  FakeDInputShared* shared;
  int index;
  Controller* controller = DefinedSlot(context, &shared, &index);
  if (controller == nullptr) return shared ? kUsage : kNoShared;
  std::vector<int> buttons;
  for (size_t i = first; i < context.args.size(); ++i) {
    int button;
    if (!ParseCount(context.args[i], fakedinput::kMaxButtons - 1, "button", &button)) {
      return kUsage;
    }
    if (button >= controller->buttonCount) {
      std::fprintf(stderr, "tarveldrive: controller %d has %ld buttons; there is no button %d\n",
                   index, static_cast<long>(controller->buttonCount), button);
      return kUsage;
    }
    buttons.push_back(button);
  }
  // One report of the controller: the buttons change together.
  fakedinput::SetButtons(*shared, index, buttons.data(), static_cast<int>(buttons.size()), value);
  return kOk;
}

int Press(Context& context) { return SetButtons(context, 1, 0x80); }
int Release(Context& context) { return SetButtons(context, 1, 0x00); }

int SetButton(Context& context) {
  long long value;
  if (!ParseNumber(context.args[2], &value) || value < 0 || value > 255) {
    std::fprintf(stderr, "tarveldrive: a button byte is 0..255\n");
    return kUsage;
  }
  context.args.pop_back();
  return SetButtons(context, 1, static_cast<BYTE>(value));
}

// IDX AXIS PERMILLE: one axis of the controller, -1000..1000 of its half-range.
int SetAxis(Context& context) {
  FakeDInputShared* shared;
  int index;
  Controller* controller = DefinedSlot(context, &shared, &index);
  if (controller == nullptr) return shared ? kUsage : kNoShared;
  long long axis;
  long long position;
  if (!ParseNumber(context.args[1], &axis) || axis < 0 || axis >= controller->axisCount ||
      !ParseNumber(context.args[2], &position) || position < -1000 || position > 1000) {
    std::fprintf(stderr, "tarveldrive: controller %d has %ld axes; a position is -1000..1000\n",
                 index, static_cast<long>(controller->axisCount));
    return kUsage;
  }
  fakedinput::SetAxis(*shared, index, static_cast<int>(axis), static_cast<LONG>(position));
  return kOk;
}

// IDX HAT VALUE|centred: one point of view, in hundredths of a degree.
int SetPov(Context& context) {
  FakeDInputShared* shared;
  int index;
  Controller* controller = DefinedSlot(context, &shared, &index);
  if (controller == nullptr) return shared ? kUsage : kNoShared;
  long long hat;
  long long value = 0xFFFFFFFFll;
  if (!ParseNumber(context.args[1], &hat) || hat < 0 || hat >= controller->povCount ||
      (context.args[2] != "centred" &&
       (!ParseNumber(context.args[2], &value) || value < 0 || value > 0xFFFFFFFFll))) {
    std::fprintf(stderr,
                 "tarveldrive: controller %d has %ld points of view; a value is "
                 "0..0xFFFFFFFF or centred\n",
                 index, static_cast<long>(controller->povCount));
    return kUsage;
  }
  fakedinput::SetPov(*shared, index, static_cast<int>(hat), static_cast<DWORD>(value));
  return kOk;
}

int ReleaseAll(Context& context) {
  FakeDInputShared* shared;
  int index;
  if (DefinedSlot(context, &shared, &index) == nullptr) return shared ? kUsage : kNoShared;
  fakedinput::SetAllButtons(*shared, index, 0);
  return kOk;
}

// COUNT | forever | off
bool ParseRemaining(const std::string& text, LONG* remaining) {
  if (text == "forever") {
    *remaining = fakedinput::kForever;
    return true;
  }
  if (text == "off") {
    *remaining = 0;
    return true;
  }
  long long value;
  if (!ParseNumber(text, &value) || value < 0 || value > 1000000000) {
    std::fprintf(stderr, "tarveldrive: a fault count is a number, forever or off\n");
    return false;
  }
  *remaining = static_cast<LONG>(value);
  return true;
}

int Fault(Context& context) {
  FakeDInputShared* shared = context.Controllers();
  if (shared == nullptr) return kNoShared;
  const std::vector<std::string>& args = context.args;
  LONG remaining;
  HRESULT result = 0;
  if (!ParseRemaining(args[2], &remaining) || (args.size() > 3 && !ParseResult(args[3], &result))) {
    return kUsage;
  }
  if (args[0] == "global") {
    if (args[1] == "create") {
      fakedinput::SetFault(shared->header.createFault, remaining, result);
    } else if (args[1] == "enumdevices") {
      fakedinput::SetFault(shared->header.enumDevicesFault, remaining, result);
    } else {
      std::fprintf(stderr, "tarveldrive: global faults are create and enumdevices\n");
      return kUsage;
    }
    return kOk;
  }
  int index;
  if (!ParseSlot(args[0], &index)) return kUsage;
  int method;
  if (args[1] == "inputlost") {
    method = fakedinput::kAcquire;
    if (args.size() == 3) result = DIERR_INPUTLOST;
  } else {
    method = fakedinput::MethodFromName(args[1]);
  }
  if (method < 0 || method == fakedinput::kRelease) {
    std::fprintf(stderr, "tarveldrive: no fault for \"%s\"; methods:", args[1].c_str());
    for (int m = 0; m < fakedinput::kRelease; ++m) {
      std::fprintf(stderr, " %s", fakedinput::kMethodNames[m]);
    }
    std::fprintf(stderr, ", inputlost\n");
    return kUsage;
  }
  fakedinput::SetFault(shared->controllers[index].faults[method], remaining, result);
  return kOk;
}

int ClearFaults(Context& context) {
  FakeDInputShared* shared = context.Controllers();
  if (shared == nullptr) return kNoShared;
  const std::string& which = context.args[0];
  if (which == "global" || which == "all") {
    fakedinput::SetFault(shared->header.createFault, 0, 0);
    fakedinput::SetFault(shared->header.enumDevicesFault, 0, 0);
  }
  if (which == "all") {
    for (int index = 0; index < fakedinput::kMaxControllers; ++index) {
      fakedinput::ClearFaults(*shared, index);
    }
  } else if (which != "global") {
    int index;
    if (!ParseSlot(which, &index)) return kUsage;
    fakedinput::ClearFaults(*shared, index);
  }
  return kOk;
}

// Press and release, COUNT times, with nothing between a press and its release, so that no state
// read can see the press; PAUSE_MS between one tap and the next.
int Tap(Context& context) {
  int count = 0;
  int pause = 0;
  int hold = 0;
  if (!ParseCount(context.args[2], 100000, "count", &count)) return kUsage;
  if (context.args.size() > 3 && !ParseCount(context.args[3], 10000, "pause", &pause))
    return kUsage;
  if (context.args.size() > 4 && !ParseCount(context.args[4], 10000, "hold", &hold)) return kUsage;
  context.args.resize(2);
  for (int i = 0; i < count; ++i) {
    if (i > 0 && pause > 0) Sleep(static_cast<DWORD>(pause));
    const int pressed = SetButtons(context, 1, 0x80);
    if (pressed != kOk) return pressed;
    if (hold > 0) Sleep(static_cast<DWORD>(hold));
    SetButtons(context, 1, 0x00);
  }
  return kOk;
}

// Sets the program's change event COUNT times with nothing to read.
int Signal(Context& context) {
  FakeDInputShared* shared;
  int index;
  if (DefinedSlot(context, &shared, &index) == nullptr) return shared ? kUsage : kNoShared;
  int count = 0;
  if (!ParseCount(context.args[1], 1000000, "count", &count)) return kUsage;
  for (int i = 0; i < count; ++i) fakedinput::SignalChangeEvent(*shared, index);
  return kOk;
}

int BufferMode(Context& context) {
  FakeDInputShared* shared;
  int index;
  Controller* controller = DefinedSlot(context, &shared, &index);
  if (controller == nullptr) return shared ? kUsage : kNoShared;
  const std::string& mode = context.args[1];
  LONG value;
  if (mode == "events") {
    value = fakedinput::kBuffersAndEvents;
  } else if (mode == "none") {
    value = fakedinput::kRefusesBuffers;
  } else if (mode == "polled") {
    value = fakedinput::kPolledDevice;
  } else {
    std::fprintf(stderr, "tarveldrive: a buffer mode is events, none or polled\n");
    return kUsage;
  }
  InterlockedExchange(&controller->bufferMode, value);
  return kOk;
}

int ResetCalls(Context& context) {
  FakeDInputShared* shared = context.Controllers();
  if (shared == nullptr) return kNoShared;
  int index = -1;
  if (!context.args.empty() && !ParseSlot(context.args[0], &index)) return kUsage;
  fakedinput::ResetRecords(*shared, index);
  return kOk;
}

}  // namespace

const Command kControllerCommands[] = {
    {"add-controller", 6, 7,
     "IDX INSTANCEGUID|auto PRODUCTGUID|auto NAME BUTTONS AXES [POVS]  attach a controller",
     AddController},
    {"remove-controller", 1, 1, "IDX  empty a slot", RemoveController},
    {"unplug", 1, 1, "IDX  detach (state reads fail, enumeration skips it)", Unplug},
    {"replug", 1, 1, "IDX  attach again", Replug},
    {"press", 2, -1, "IDX BUTTON...  set the buttons' bytes to 0x80", Press},
    {"release", 2, -1, "IDX BUTTON...  set the buttons' bytes to 0", Release},
    {"set-button", 3, 3, "IDX BUTTON VALUE  set one button byte to any value", SetButton},
    {"release-all", 1, 1, "IDX  every button byte to 0", ReleaseAll},
    {"set-axis", 3, 3, "IDX AXIS PERMILLE  move an axis to -1000..1000 of its half-range", SetAxis},
    {"set-pov", 3, 3, "IDX HAT VALUE|centred  a point of view in hundredths of a degree", SetPov},
    {"tap", 3, 5,
     "IDX BUTTON COUNT [PAUSE_MS [HOLD_MS]]  press and release COUNT times, with nothing (or "
     "HOLD_MS) between a press and its release",
     Tap},
    {"signal", 2, 2, "IDX COUNT  set the program's change event COUNT times, nothing to read",
     Signal},
    {"buffer-mode", 2, 2,
     "IDX events|none|polled  buffered input: as most pads (the default), refused, or only "
     "through Poll (DI_POLLEDDEVICE); takes effect at the program's next set-up",
     BufferMode},
    {"fault", 3, 4,
     "IDX|global METHOD COUNT|forever|off [RESULT]  fail the next COUNT calls (METHOD inputlost "
     "= acquire answering DIERR_INPUTLOST)",
     Fault},
    {"clear-faults", 1, 1, "IDX|global|all", ClearFaults},
    {"reset-calls", 0, 1, "[IDX]  zero the call record of one slot, or of all and the global one",
     ResetCalls},
    {nullptr, 0, 0, nullptr, nullptr},
};

}  // namespace tarveldrive
