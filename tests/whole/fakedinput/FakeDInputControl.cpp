#define DIRECTINPUT_VERSION 0x0800
#include "FakeDInputControl.h"

#include <dinput.h>

#include <cstdio>
#include <cstring>

namespace fakedinput {

std::string MappingName() {
  return wholetest::EnvironmentOr(kMappingNameVariable, kDefaultMappingName);
}

bool StampHeader(FakeDInputShared& shared) {
  Header& header = shared.header;
  if (header.magic == 0) {
    // Every process stamps the same values, so two first openers cannot disagree.
    header.version = kVersion;
    header.size = sizeof(FakeDInputShared);
    header.maxControllers = kMaxControllers;
    header.qpcFrequency = wholetest::QpcFrequency();
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&header.magic), kMagic);
  }
  return header.magic == kMagic && header.version == kVersion &&
         header.size == sizeof(FakeDInputShared) && header.maxControllers == kMaxControllers;
}

namespace {

FakeDInputShared* Map(wholetest::SharedMapping& mapping, bool create, bool fresh,
                      std::string* error) {
  const std::string name = MappingName();
  if (!mapping.Open(name, sizeof(FakeDInputShared), create)) {
    if (error != nullptr) {
      char text[700];
      std::snprintf(text, sizeof(text), "cannot %s shared memory %s (error %lu)%s",
                    create ? "create" : "open", wholetest::SharedFilePath(name).c_str(),
                    GetLastError(), create ? "" : ": run tarveldrive init first");
      *error = text;
    }
    return nullptr;
  }
  auto* shared = static_cast<FakeDInputShared*>(mapping.data());
  if (fresh) std::memset(shared, 0, sizeof(FakeDInputShared));
  if (!StampHeader(*shared)) {
    if (error != nullptr) {
      *error = "shared memory " + wholetest::SharedFilePath(name) +
               " has another layout (tarveldrive init starts it afresh)";
    }
    mapping.Close();
    return nullptr;
  }
  return shared;
}

}  // namespace

FakeDInputShared* Attach(wholetest::SharedMapping& mapping, bool create, std::string* error) {
  return Map(mapping, create, /*fresh=*/false, error);
}

FakeDInputShared* AttachFresh(wholetest::SharedMapping& mapping, std::string* error) {
  return Map(mapping, /*create=*/true, /*fresh=*/true, error);
}

HRESULT DefaultFaultResult(Method method) {
  switch (method) {
    case kCreateDevice:
      return DIERR_DEVICENOTREG;
    case kSetDataFormat:
    case kSetCooperativeLevel:
      return DIERR_INVALIDPARAM;
    case kSetProperty:
    case kSetEventNotification:
      return DIERR_UNSUPPORTED;
    case kGetDeviceData:
      return DIERR_INPUTLOST;
    case kAcquire:
    case kPoll:
    case kGetDeviceState:
      return DIERR_INPUTLOST;
    default:
      return DIERR_GENERIC;
  }
}

HRESULT DefaultCreateFaultResult() { return DIERR_GENERIC; }
HRESULT DefaultEnumDevicesFaultResult() { return DIERR_GENERIC; }

int MethodFromName(const std::string& name) {
  struct Alias {
    const char* name;
    Method method;
  };
  static constexpr Alias kAliases[] = {
      {"caps", kGetCapabilities}, {"getcaps", kGetCapabilities}, {"getstate", kGetDeviceState},
      {"state", kGetDeviceState}, {"format", kSetDataFormat},    {"coop", kSetCooperativeLevel},
      {"objects", kEnumObjects},  {"property", kSetProperty},    {"range", kSetProperty},
      {"create", kCreateDevice},
  };
  for (int method = 0; method < kMethodCount; ++method) {
    if (name == kMethodNames[method]) return method;
  }
  for (const Alias& alias : kAliases) {
    if (name == alias.name) return alias.method;
  }
  return -1;
}

std::string FormatGuid(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof(text), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

namespace {

bool ParseHex(const char* text, int digits, unsigned long long* value) {
  *value = 0;
  for (int i = 0; i < digits; ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    *value = *value * 16 + digit;
  }
  return true;
}

}  // namespace

bool ParseGuid(const std::string& text, GUID* guid) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-') {
    return false;
  }
  const char* p = text.c_str();
  unsigned long long value;
  GUID parsed;
  if (!ParseHex(p + 1, 8, &value)) return false;
  parsed.Data1 = static_cast<unsigned long>(value);
  if (!ParseHex(p + 10, 4, &value)) return false;
  parsed.Data2 = static_cast<unsigned short>(value);
  if (!ParseHex(p + 15, 4, &value)) return false;
  parsed.Data3 = static_cast<unsigned short>(value);
  static constexpr int kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ParseHex(p + kByteAt[i], 2, &value)) return false;
    parsed.Data4[i] = static_cast<unsigned char>(value);
  }
  *guid = parsed;
  return true;
}

GUID DefaultInstanceGuid(int index) {
  return GUID{0x7A3E0000u + static_cast<unsigned long>(index),
              0x1D2C,
              0x11F0,
              {0x80, 0x00, 0x54, 0x41, 0x52, 0x56, 0x45, 0x4C}};
}

GUID DefaultProductGuid(int index) {
  return GUID{0x0B000000u + static_cast<unsigned long>(index) * 0x10000u + 0x045E,
              0x0000,
              0x0000,
              {0x00, 0x00, 0x50, 0x49, 0x44, 0x56, 0x49, 0x44}};
}

void ResetAll(FakeDInputShared& shared) {
  for (Controller& controller : shared.controllers) {
    // Live and acquired counts describe objects that still exist in some process; keep them.
    const LONG live = controller.record.liveDevices;
    const LONG acquired = controller.record.acquiredDevices;
    std::memset(&controller, 0, sizeof(Controller));
    controller.record.liveDevices = live;
    controller.record.acquiredDevices = acquired;
  }
  std::memset(&shared.header.createFault, 0, sizeof(Fault));
  std::memset(&shared.header.enumDevicesFault, 0, sizeof(Fault));
  ResetRecords(shared, -1);
  MemoryBarrier();
}

void ResetRecords(FakeDInputShared& shared, int index) {
  auto reset = [](CallRecord& record) {
    const LONG live = record.liveDevices;
    const LONG acquired = record.acquiredDevices;
    std::memset(&record, 0, sizeof(CallRecord));
    record.liveDevices = live;
    record.acquiredDevices = acquired;
  };
  if (index >= 0) {
    if (index < kMaxControllers) reset(shared.controllers[index].record);
    return;
  }
  for (Controller& controller : shared.controllers) reset(controller.record);
  GlobalRecord& global = shared.header.record;
  const LONG interfaces = global.liveInterfaces;
  const LONG devices = global.liveDevices;
  std::memset(&global, 0, sizeof(GlobalRecord));
  global.liveInterfaces = interfaces;
  global.liveDevices = devices;
}

bool DefineController(FakeDInputShared& shared, int index, const GUID& instance,
                      const GUID& product, const std::string& name, int buttons, int axes,
                      int povs) {
  if (index < 0 || index >= kMaxControllers || buttons < 0 || buttons > kMaxButtons || axes < 0 ||
      axes > kMaxAxes || povs < 0 || povs > kMaxPovs) {
    return false;
  }
  Controller& controller = shared.controllers[index];
  // Hidden while it is rewritten, so that an enumeration never sees half a controller.
  InterlockedExchange(&controller.present, 0);
  InterlockedExchange(&controller.defined, 0);
  controller.instanceGuid = instance;
  controller.productGuid = product;
  std::memset(controller.productName, 0, sizeof(controller.productName));
  std::memcpy(controller.productName, name.data(),
              name.size() < sizeof(controller.productName) ? name.size()
                                                           : sizeof(controller.productName) - 1);
  controller.buttonCount = buttons;
  controller.axisCount = axes;
  controller.povCount = povs;
  std::memset(const_cast<BYTE*>(controller.buttons), 0, sizeof(controller.buttons));
  std::memset(controller.faults, 0, sizeof(controller.faults));
  std::memset(const_cast<LONG*>(controller.axisPositions), 0, sizeof(controller.axisPositions));
  std::memset(const_cast<LONG*>(controller.povValues), 0, sizeof(controller.povValues));
  controller.bufferMode = kBuffersAndEvents;
  ResetRecords(shared, index);
  InterlockedIncrement(&controller.buttonsSerial);
  controller.buttonsChangeQpc = wholetest::QpcNow();
  InterlockedExchange(&controller.defined, 1);
  InterlockedExchange(&controller.present, 1);
  return true;
}

void RemoveController(FakeDInputShared& shared, int index) {
  if (index < 0 || index >= kMaxControllers) return;
  InterlockedExchange(&shared.controllers[index].present, 0);
  InterlockedExchange(&shared.controllers[index].defined, 0);
}

void SetPresent(FakeDInputShared& shared, int index, bool present) {
  if (index < 0 || index >= kMaxControllers) return;
  InterlockedExchange(&shared.controllers[index].present, present ? 1 : 0);
}

namespace {

LONG PublishChange(FakeDInputShared& shared, Controller& controller) {
  const long long now = wholetest::QpcNow();
  // The serials are incremented after the bytes are written (Interlocked is a full barrier),
  // so a reader that sees a serial also sees every byte written before it.
  const LONG serial = InterlockedIncrement(&controller.buttonsSerial);
  controller.buttonsChangeQpc = now;
  InterlockedIncrement(&shared.header.changeSerial);
  shared.header.changeQpc = now;
  return serial;
}

}  // namespace

namespace {

void QueueChangeAt(Controller& controller, LONG offset, LONG data, LONG sequence) {
  const LONG n = controller.changesWritten;
  controller.changes[static_cast<ULONG>(n) % kChangeRing] = ButtonChange{offset, data, sequence};
  InterlockedIncrement(&controller.changesWritten);
}

void QueueChange(Controller& controller, int button, BYTE value, LONG sequence) {
  QueueChangeAt(controller, static_cast<LONG>(DIJOFS_BUTTON(button)), value, sequence);
}

}  // namespace

void SignalChangeEvent(FakeDInputShared& shared, int index) {
  if (index < 0 || index >= kMaxControllers) return;
  const CallRecord& record = shared.controllers[index].record;
  const HANDLE event = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(record.changeEvent));
  const DWORD pid = static_cast<DWORD>(record.eventPid);
  if (event == nullptr || pid == 0) return;
  if (pid == GetCurrentProcessId()) {
    SetEvent(event);
    return;
  }
  // The event belongs to the program under test: a copy of its handle is set here.
  const HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
  if (process == nullptr) return;
  HANDLE copy = nullptr;
  if (DuplicateHandle(process, event, GetCurrentProcess(), &copy, EVENT_MODIFY_STATE, FALSE, 0)) {
    SetEvent(copy);
    CloseHandle(copy);
  }
  CloseHandle(process);
}

LONG SetButton(FakeDInputShared& shared, int index, int button, BYTE value) {
  return SetButtons(shared, index, &button, 1, value);
}

namespace {

// The changes of one report are queued under one sequence number; then they are published and
// the program's change event is set.
LONG EndReport(FakeDInputShared& shared, int index) {
  const LONG serial = PublishChange(shared, shared.controllers[index]);
  SignalChangeEvent(shared, index);
  return serial;
}

}  // namespace

LONG SetButtons(FakeDInputShared& shared, int index, const int* buttons, int count, BYTE value) {
  if (index < 0 || index >= kMaxControllers) return 0;
  for (int i = 0; i < count; ++i)
    if (buttons[i] < 0 || buttons[i] >= kMaxButtons) return 0;
  Controller& controller = shared.controllers[index];
  const LONG sequence = InterlockedIncrement(&shared.header.changeSequence);
  for (int i = 0; i < count; ++i) {
    controller.buttons[buttons[i]] = value;
    QueueChange(controller, buttons[i], value, sequence);
  }
  return EndReport(shared, index);
}

LONG SetAxis(FakeDInputShared& shared, int index, int axis, LONG perMille) {
  if (index < 0 || index >= kMaxControllers || axis < 0 || axis >= kMaxAxes) return 0;
  Controller& controller = shared.controllers[index];
  perMille = perMille < -1000 ? -1000 : (perMille > 1000 ? 1000 : perMille);
  controller.axisPositions[axis] = perMille;
  // The buffered change carries the value in the range the program set (DirectInput's default
  // 0..65535 before it set one), as GetDeviceState reports it; axis i lies at offset 4 i.
  const AxisRange& range = controller.record.ranges[axis];
  const LONGLONG min = range.setCount > 0 ? range.min : 0;
  const LONGLONG max = range.setCount > 0 ? range.max : 65535;
  const LONGLONG half = (max - min) / 2;
  const LONG sequence = InterlockedIncrement(&shared.header.changeSequence);
  QueueChangeAt(controller, 4 * axis, static_cast<LONG>(min + half + half * perMille / 1000),
                sequence);
  return EndReport(shared, index);
}

LONG SetPov(FakeDInputShared& shared, int index, int hat, DWORD value) {
  if (index < 0 || index >= kMaxControllers || hat < 0 || hat >= kMaxPovs) return 0;
  Controller& controller = shared.controllers[index];
  controller.povValues[hat] = value == 0xFFFFFFFF ? 0 : static_cast<LONG>(value + 1);
  const LONG sequence = InterlockedIncrement(&shared.header.changeSequence);
  QueueChangeAt(controller, static_cast<LONG>(DIJOFS_POV(hat)), static_cast<LONG>(value), sequence);
  return EndReport(shared, index);
}

LONG SetAllButtons(FakeDInputShared& shared, int index, BYTE value) {
  int all[kMaxButtons];
  for (int button = 0; button < kMaxButtons; ++button) all[button] = button;
  return SetButtons(shared, index, all, kMaxButtons, value);
}

void SetFault(Fault& fault, LONG remaining, HRESULT result) {
  fault.result = result;
  InterlockedExchange(&fault.remaining, remaining);
}

void ClearFaults(FakeDInputShared& shared, int index) {
  if (index < 0 || index >= kMaxControllers) return;
  for (Fault& fault : shared.controllers[index].faults) SetFault(fault, 0, 0);
}

bool TakeFault(Fault& fault, HRESULT fallback, HRESULT* result) {
  for (;;) {
    const LONG remaining = fault.remaining;
    if (remaining == 0 || remaining < kForever) return false;
    if (remaining == kForever ||
        InterlockedCompareExchange(&fault.remaining, remaining - 1, remaining) == remaining) {
      *result = fault.result != 0 ? static_cast<HRESULT>(fault.result) : fallback;
      return true;
    }
  }
}

}  // namespace fakedinput
