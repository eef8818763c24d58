// Commands that drive the test xinput1_4.dll: users plugged in and out, their buttons, triggers
// and sticks, and how often each was asked; and the DirectInput side of an XInput pad.
#include <windows.h>

#include <cstdio>
#include <string>

#include "Driver.h"
#include "fakexinput/FakeXInputShared.h"

namespace tarveldrive {
namespace {

using fakexinput::FakeXInputShared;

wholetest::SharedMapping g_pads;

FakeXInputShared* Pads() {
  if (!g_pads.IsOpen()) {
    const std::string name =
        wholetest::EnvironmentOr(fakexinput::kMappingNameVariable, fakexinput::kDefaultMappingName);
    if (!g_pads.Open(name, sizeof(FakeXInputShared), true)) {
      std::fprintf(stderr, "tarveldrive: the XInput memory %s cannot be mapped\n", name.c_str());
      return nullptr;
    }
  }
  return static_cast<FakeXInputShared*>(g_pads.data());
}

bool ParseUser(const std::string& text, int* user) {
  long long value;
  if (!ParseNumber(text, &value) || value < 0 || value >= fakexinput::kUsers) {
    std::fprintf(stderr, "tarveldrive: user %s is not in 0..3\n", text.c_str());
    return false;
  }
  *user = static_cast<int>(value);
  return true;
}

int PadInit(Context&) {
  FakeXInputShared* pads = Pads();
  if (pads == nullptr) return kNoShared;
  ZeroMemory(pads, sizeof(FakeXInputShared));
  pads->magic = fakexinput::kMagic;
  pads->version = fakexinput::kVersion;
  pads->size = sizeof(FakeXInputShared);
  return kOk;
}

int PadPlug(Context& context, bool connected) {
  FakeXInputShared* pads = Pads();
  int user;
  if (pads == nullptr) return kNoShared;
  if (!ParseUser(context.args[0], &user)) return kUsage;
  InterlockedExchange(&pads->users[user].connected, connected ? 1 : 0);
  return kOk;
}
int PadPlugIn(Context& context) { return PadPlug(context, true); }
int PadUnplug(Context& context) { return PadPlug(context, false); }

// xinput-set USER BUTTONS [LT RT LX LY RX RY]: a new state, under a new packet number.
int PadSet(Context& context) {
  FakeXInputShared* pads = Pads();
  int user;
  if (pads == nullptr) return kNoShared;
  if (!ParseUser(context.args[0], &user)) return kUsage;
  long long values[7] = {};
  for (size_t i = 1; i < context.args.size() && i <= 7; ++i)
    if (!ParseNumber(context.args[i], &values[i - 1])) return kUsage;
  fakexinput::User& u = pads->users[user];
  u.buttons = static_cast<LONG>(values[0]);
  u.leftTrigger = static_cast<LONG>(values[1]);
  u.rightTrigger = static_cast<LONG>(values[2]);
  u.thumbLX = static_cast<LONG>(values[3]);
  u.thumbLY = static_cast<LONG>(values[4]);
  u.thumbRX = static_cast<LONG>(values[5]);
  u.thumbRY = static_cast<LONG>(values[6]);
  u.changeQpc = wholetest::QpcNow();
  InterlockedIncrement(&u.packet);
  return kOk;
}

int PadShow(Context& context) {
  FakeXInputShared* pads = Pads();
  int user;
  if (pads == nullptr) return kNoShared;
  if (!ParseUser(context.args[0], &user)) return kUsage;
  const fakexinput::User& u = pads->users[user];
  std::printf("connected=%ld packet=%ld calls=%ld empty=%ld guide=%ld seen=%ld loads=%ld\n",
              u.connected, u.packet, u.calls, u.emptyCalls, u.guideCalls, u.seenPacket,
              pads->loads);
  std::printf("changeqpc=%lld seenqpc=%lld\n", u.changeQpc, u.seenQpc);
  std::printf("latency_us=%lld\n",
              u.seenPacket == u.packet && u.changeQpc != 0
                  ? (u.seenQpc - u.changeQpc) * 1000000 / wholetest::QpcFrequency()
                  : -1);
  return kOk;
}

// xinput-wait USER calls|empty|seen AT_LEAST TIMEOUT_MS: seen waits for the latest packet.
int PadWait(Context& context) {
  FakeXInputShared* pads = Pads();
  int user;
  long long atLeast;
  DWORD timeout;
  if (pads == nullptr) return kNoShared;
  if (!ParseUser(context.args[0], &user) || !ParseNumber(context.args[2], &atLeast) ||
      !ParseTimeout(context.args[3], &timeout))
    return kUsage;
  const std::string field = context.args[1];
  const fakexinput::User& u = pads->users[user];
  const bool met = WaitUntil(timeout, [&] {
    if (field == "calls") return u.calls >= atLeast;
    if (field == "empty") return u.emptyCalls >= atLeast;
    return u.seenPacket == u.packet && u.packet >= atLeast;
  });
  if (!met) std::fprintf(stderr, "tarveldrive: user %d: %s not reached\n", user, field.c_str());
  return met ? kOk : kNotMet;
}

int MarkXInput(Context& context) {
  fakedinput::FakeDInputShared* shared = context.Controllers();
  int index;
  if (shared == nullptr) return kNoShared;
  if (!ParseSlot(context.args[0], &index)) return kUsage;
  InterlockedExchange(&shared->controllers[index].xinputPad, context.args[1] == "1" ? 1 : 0);
  return kOk;
}

}  // namespace

const Command kXInputCommands[] = {
    {"xinput-init", 0, 0, "  four empty XInput users, every count zero", PadInit},
    {"xinput-plug", 1, 1, "USER  a pad in this user's place", PadPlugIn},
    {"xinput-unplug", 1, 1, "USER  the pad taken away", PadUnplug},
    {"xinput-set", 2, 8, "USER BUTTONS [LT RT LX LY RX RY]  a new state (wButtons as a number)",
     PadSet},
    {"xinput-show", 1, 1, "USER  its state and how often it was asked", PadShow},
    {"xinput-wait", 4, 4, "USER calls|empty|seen AT_LEAST TIMEOUT_MS  wait for the program",
     PadWait},
    {"mark-xinput", 2, 2,
     "IDX 0|1  a DirectInput controller that is an XInput pad: its path holds IG_ and it reads "
     "neutral in the background",
     MarkXInput},
    {nullptr, 0, 0, nullptr, nullptr},
};

}  // namespace tarveldrive
