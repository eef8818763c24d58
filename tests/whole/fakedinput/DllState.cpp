#include "DllState.h"

#include <string>

#include "FakeDInputControl.h"
#include "common/SharedMapping.h"

namespace fakedinput {

namespace {

wholetest::SharedMapping* g_mapping = nullptr;
FakeDInputShared* g_shared = nullptr;
INIT_ONCE g_once = INIT_ONCE_STATIC_INIT;
volatile LONG g_liveObjects = 0;

BOOL CALLBACK MapShared(PINIT_ONCE, PVOID, PVOID*) {
  g_mapping = new wholetest::SharedMapping;
  std::string error;
  g_shared = Attach(*g_mapping, /*create=*/true, &error);
  if (g_shared == nullptr) {
    OutputDebugStringA(("fake dinput8: " + error + "\n").c_str());
  }
  return TRUE;
}

}  // namespace

FakeDInputShared* DllShared() {
  InitOnceExecuteOnce(&g_once, MapShared, nullptr, nullptr);
  return g_shared;
}

void CloseDllShared() {
  g_shared = nullptr;
  delete g_mapping;
  g_mapping = nullptr;
}

void AddLiveObject() { InterlockedIncrement(&g_liveObjects); }
void RemoveLiveObject() { InterlockedDecrement(&g_liveObjects); }
LONG LiveObjects() { return g_liveObjects; }

}  // namespace fakedinput
