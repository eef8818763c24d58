// The shared memory through which a test drives the test-only xinput1_4.dll: four XInput users,
// what each reports and how often it was asked. Mapped as the controllers' memory is
// (common/SharedMapping.h), under the name "TarvelFakeXInput" or the one in the environment
// variable TARVEL_FAKE_XINPUT_NAME. Zero-filled memory is four empty users.
#pragma once

#include <windows.h>

#include <cstdint>

namespace fakexinput {

inline constexpr char kDefaultMappingName[] = "TarvelFakeXInput";
inline constexpr char kMappingNameVariable[] = "TARVEL_FAKE_XINPUT_NAME";
inline constexpr uint32_t kMagic = 0x49584654;  // "TFXI"
inline constexpr uint32_t kVersion = 1;
inline constexpr int kUsers = 4;

struct User {
  // Written by the driver: after a change of the state it increments packet and stamps
  // changeQpc.
  volatile LONG connected;
  volatile LONG packet;
  volatile LONG buttons;  // wButtons, the guide 0x0400 included
  volatile LONG leftTrigger;
  volatile LONG rightTrigger;
  volatile LONG thumbLX;
  volatile LONG thumbLY;
  volatile LONG thumbRX;
  volatile LONG thumbRY;
  volatile LONGLONG changeQpc;
  // Written by the DLL.
  volatile LONG calls;        // every XInputGetState(Ex) for this user
  volatile LONG emptyCalls;   // ... while it was not connected
  volatile LONG guideCalls;   // ... through ordinal 100
  volatile LONG seenPacket;   // packet of the latest answer
  volatile LONGLONG seenQpc;  // QueryPerformanceCounter at the first answer with seenPacket
  LONG reserved[4];
};

struct FakeXInputShared {
  uint32_t magic;
  uint32_t version;
  uint32_t size;
  volatile LONG loads;      // processes that loaded the DLL
  volatile LONG clientPid;  // the latest of them
  LONG reserved[3];
  User users[kUsers];
};

}  // namespace fakexinput
