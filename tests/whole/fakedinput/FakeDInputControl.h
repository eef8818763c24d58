// Operations on the fake DirectInput's shared memory, for the driver and for tests that
// drive the DLL in-process. All of them take effect at once in every process that maps it.
#pragma once

#include <windows.h>

#include <string>

#include "FakeDInputShared.h"
#include "common/SharedMapping.h"

namespace fakedinput {

// The mapping name this process uses: TARVEL_FAKE_DINPUT_NAME, or the default.
std::string MappingName();

// Writes the header of a fresh (all-zero) mapping; leaves a stamped one alone. Returns false when
// the mapping holds another layout (a program built from other sources).
bool StampHeader(FakeDInputShared& shared);

// Maps the shared state, creating it when absent (`create`) or only if it exists. On failure
// `error` says why in one line.
FakeDInputShared* Attach(wholetest::SharedMapping& mapping, bool create, std::string* error);
// Maps the shared state and starts it from zero, whatever it held: no controllers, no faults, no
// records. For the start of a test, while no program under test runs.
FakeDInputShared* AttachFresh(wholetest::SharedMapping& mapping, std::string* error);

// The code a fault answers when the test did not name one.
HRESULT DefaultFaultResult(Method method);
HRESULT DefaultCreateFaultResult();
HRESULT DefaultEnumDevicesFaultResult();

// Method by its name in kMethodNames, or one of the short forms "caps", "getstate", "state",
// "format", "coop", "objects", "property", "range"; -1 when unknown.
int MethodFromName(const std::string& name);

// GUID text in the registry form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
std::string FormatGuid(const GUID& guid);
bool ParseGuid(const std::string& text, GUID* guid);
// Distinct, recognisable GUIDs for slot `index` when a test does not care.
GUID DefaultInstanceGuid(int index);
GUID DefaultProductGuid(int index);

// Empties every slot and clears every fault and record; the counts of live objects stay, as
// a program may still hold them.
void ResetAll(FakeDInputShared& shared);
// Zeroes the call record of one slot (or, with -1, of all slots and the global record). Live and
// acquired device counts are kept: they describe objects that still exist.
void ResetRecords(FakeDInputShared& shared, int index);

// Puts a controller into a slot, attached, all buttons up, no faults, a fresh record.
// Limits: index < kMaxControllers, buttons <= 128, axes <= 8, povs <= 4; false otherwise.
bool DefineController(FakeDInputShared& shared, int index, const GUID& instance,
                      const GUID& product, const std::string& name, int buttons, int axes,
                      int povs);
void RemoveController(FakeDInputShared& shared, int index);
void SetPresent(FakeDInputShared& shared, int index, bool present);

// Writes button bytes and then publishes the change: buttonsSerial and the header's changeSerial
// are incremented and both stamped with QueryPerformanceCounter. Returns the new buttonsSerial.
LONG SetButton(FakeDInputShared& shared, int index, int button, BYTE value);
LONG SetAllButtons(FakeDInputShared& shared, int index, BYTE value);
// Moves axis `axis` (0-7 as the controller lists them: X, Y, Z, Rx, Ry, Rz, the sliders) to
// `perMille` of its half-range (-1000..1000), or hat `hat` to `value` (hundredths of a degree;
// 0xFFFFFFFF centred).
LONG SetAxis(FakeDInputShared& shared, int index, int axis, LONG perMille);
LONG SetPov(FakeDInputShared& shared, int index, int hat, DWORD value);
// Several buttons in one report of the controller: one change, one sequence number.
LONG SetButtons(FakeDInputShared& shared, int index, const int* buttons, int count, BYTE value);
// Each button change is also queued for buffered reads and sets the program's change event;
// this sets the event alone, with nothing new to read.
void SignalChangeEvent(FakeDInputShared& shared, int index);

void SetFault(Fault& fault, LONG remaining, HRESULT result);
void ClearFaults(FakeDInputShared& shared, int index);

// Takes one use of a fault: true (and its code) when this call must fail.
bool TakeFault(Fault& fault, HRESULT fallback, HRESULT* result);

}  // namespace fakedinput
