// A test-only xinput1_4.dll: XInputGetState and XInputGetStateEx (ordinal 100) answer from the
// shared memory of FakeXInputShared.h, so that a test plugs pads in, presses their buttons and
// counts how often each user is asked.
#include <windows.h>

#include "common/SharedMapping.h"
#include "fakexinput/FakeXInputShared.h"

namespace {

constexpr DWORD kNotConnected = 1167;  // ERROR_DEVICE_NOT_CONNECTED
constexpr WORD kGuide = 0x0400;

struct Gamepad {
  WORD buttons;
  BYTE leftTrigger;
  BYTE rightTrigger;
  SHORT thumbLX;
  SHORT thumbLY;
  SHORT thumbRX;
  SHORT thumbRY;
};
struct State {
  DWORD packet;
  Gamepad pad;
};

wholetest::SharedMapping g_mapping;

fakexinput::FakeXInputShared* Shared() {
  if (!g_mapping.IsOpen()) {
    const std::string name =
        wholetest::EnvironmentOr(fakexinput::kMappingNameVariable, fakexinput::kDefaultMappingName);
    if (!g_mapping.Open(name, sizeof(fakexinput::FakeXInputShared), true)) return nullptr;
    auto* shared = static_cast<fakexinput::FakeXInputShared*>(g_mapping.data());
    shared->magic = fakexinput::kMagic;
    shared->version = fakexinput::kVersion;
    shared->size = sizeof(fakexinput::FakeXInputShared);
    InterlockedIncrement(&shared->loads);
    shared->clientPid = static_cast<LONG>(GetCurrentProcessId());
  }
  return static_cast<fakexinput::FakeXInputShared*>(g_mapping.data());
}

DWORD Answer(DWORD user, State* state, bool withGuide) {
  if (state == nullptr || user >= fakexinput::kUsers) return ERROR_BAD_ARGUMENTS;
  fakexinput::FakeXInputShared* shared = Shared();
  if (shared == nullptr) return kNotConnected;
  fakexinput::User& u = shared->users[user];
  InterlockedIncrement(&u.calls);
  if (withGuide) InterlockedIncrement(&u.guideCalls);
  if (!u.connected) {
    InterlockedIncrement(&u.emptyCalls);
    return kNotConnected;
  }
  const LONG packet = u.packet;
  state->packet = static_cast<DWORD>(packet);
  WORD buttons = static_cast<WORD>(u.buttons);
  if (!withGuide) buttons = static_cast<WORD>(buttons & ~kGuide);
  state->pad.buttons = buttons;
  state->pad.leftTrigger = static_cast<BYTE>(u.leftTrigger);
  state->pad.rightTrigger = static_cast<BYTE>(u.rightTrigger);
  state->pad.thumbLX = static_cast<SHORT>(u.thumbLX);
  state->pad.thumbLY = static_cast<SHORT>(u.thumbLY);
  state->pad.thumbRX = static_cast<SHORT>(u.thumbRX);
  state->pad.thumbRY = static_cast<SHORT>(u.thumbRY);
  if (u.seenPacket != packet) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    u.seenQpc = now.QuadPart;
    u.seenPacket = packet;
  }
  return ERROR_SUCCESS;
}

}  // namespace

extern "C" {

DWORD WINAPI XInputGetState(DWORD user, State* state) { return Answer(user, state, false); }

DWORD WINAPI XInputGetStateEx(DWORD user, State* state) { return Answer(user, state, true); }

DWORD WINAPI XInputSetState(DWORD user, void* /*vibration*/) {
  return user < fakexinput::kUsers ? ERROR_SUCCESS : ERROR_BAD_ARGUMENTS;
}

void WINAPI XInputEnable(BOOL /*enable*/) {}

}  // extern "C"
