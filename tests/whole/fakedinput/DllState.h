// What the DLL keeps per process: its view of the shared memory and its count of live objects.
#pragma once

#include <windows.h>

#include "FakeDInputShared.h"

namespace fakedinput {

// The shared memory, mapped on first use; created empty (no controllers) when no test has made
// it yet. Null when it cannot be mapped or holds another layout.
FakeDInputShared* DllShared();
void CloseDllShared();

// COM objects alive in this process; DllCanUnloadNow answers S_OK at zero.
void AddLiveObject();
void RemoveLiveObject();
LONG LiveObjects();

}  // namespace fakedinput
