// The shared memory through which a test drives the test-only dinput8.dll.
//
// One shared memory (common/SharedMapping.h: a file mapping over "%TEMP%\<name>.tarvelshm", the
// name "TarvelFakeDInput" or the one in the environment variable TARVEL_FAKE_DINPUT_NAME) holds
// one FakeDInputShared: a header and 20 controller slots. Whoever maps it first creates it
// zero-filled and stamps the header; every opener stamps the same values, so the order in which
// the DLL and the driver start does not matter. A zero slot is an empty slot, so zero-filled
// memory is a valid "no controllers" state. The state outlives every process; `tarveldrive init`
// (or InitializeShared) starts a test from zero.
//
// Who writes what:
//   the driver (tarveldrive, or a test in-process): the controllers' description, buttons and
//       faults;
//   the DLL (inside the program under test): the call record of each controller and the header's
//       global record.
// Counters are changed with Interlocked* calls; everything else is a naturally aligned 32- or
// 64-bit value, which x64 reads and writes whole.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace fakedinput {

inline constexpr char kDefaultMappingName[] = "TarvelFakeDInput";
inline constexpr char kMappingNameVariable[] = "TARVEL_FAKE_DINPUT_NAME";

inline constexpr uint32_t kMagic = 0x49444654;  // "TFDI"
inline constexpr uint32_t kVersion = 5;

inline constexpr int kMaxControllers = 20;
inline constexpr int kMaxButtons = 128;
inline constexpr int kMaxAxes = 8;  // X, Y, Z, Rx, Ry, Rz, slider 0, slider 1
inline constexpr int kMaxPovs = 4;
inline constexpr int kNameSize = 260;  // as tszProductName: up to 259 characters and a zero
// Times of the latest polls kept per controller.
inline constexpr int kPollTimes = 64;
// Button changes kept for buffered reads: a program's buffer is at most this long.
inline constexpr int kChangeRing = 1024;

// A fault's `remaining` value that never runs out.
inline constexpr LONG kForever = -1;

// The device methods that are counted per controller and that can be made to fail.
// Faults on kRelease are ignored: Release always releases.
enum Method : int {
  kCreateDevice,
  kGetCapabilities,
  kSetDataFormat,
  kSetCooperativeLevel,
  kEnumObjects,
  kSetProperty,
  kAcquire,
  kUnacquire,
  kPoll,
  kGetDeviceState,
  kRelease,
  kGetDeviceData,
  kSetEventNotification,
  kMethodCount
};

// Names used by the driver's commands and dumps, in Method order.
inline constexpr const char* kMethodNames[kMethodCount] = {"createdevice",
                                                           "getcapabilities",
                                                           "setdataformat",
                                                           "setcooperativelevel",
                                                           "enumobjects",
                                                           "setproperty",
                                                           "acquire",
                                                           "unacquire",
                                                           "poll",
                                                           "getdevicestate",
                                                           "release",
                                                           "getdevicedata",
                                                           "seteventnotification"};

// The next `remaining` calls (kForever: all calls) answer `result` instead of doing their work.
// A call is still counted when it fails by a fault.
struct Fault {
  volatile LONG remaining;
  LONG result;  // an HRESULT; 0 means the method's usual failure (see FakeDInputControl.h)
};

struct AxisRange {
  volatile LONG setCount;  // how many times a range was set on this axis
  volatile LONG min;
  volatile LONG max;
};

// What the program did to one controller, written by the DLL.
struct CallRecord {
  volatile LONG calls[kMethodCount];
  volatile LONG failures[kMethodCount];    // calls that returned a failure code
  volatile LONG lastResult[kMethodCount];  // HRESULT of the latest call
  volatile LONG liveDevices;               // device objects alive for this controller
  volatile LONG acquiredDevices;           // of which acquired
  volatile LONG cooperativeFlags;          // latest successful SetCooperativeLevel
  volatile LONG dataFormatSize;            // dwDataSize of the latest data format set
  volatile LONG dataFormatObjects;         // its dwNumObjs
  volatile LONG dataFormatFlags;           // its dwFlags
  volatile LONG enumObjectsVisited;        // objects handed to the latest EnumObjects callback
  volatile LONG lastStateSize;             // cbData of the latest GetDeviceState
  volatile LONG seenSerial;  // buttonsSerial reflected by the latest successful state read
  volatile LONG clientPid;   // process that created the latest device object
  volatile LONGLONG cooperativeWindow;  // HWND of the latest successful SetCooperativeLevel
  volatile LONGLONG lastStateQpc;       // QueryPerformanceCounter at the latest state read
  volatile LONGLONG seenQpc;            // ... at the first read that reflected seenSerial
  volatile LONGLONG changeEvent;        // HANDLE of the latest SetEventNotification (0: none)
  volatile LONG eventPid;               // ... in this process
  volatile LONG bufferSize;             // DIPROP_BUFFERSIZE set (0: not buffered)
  volatile LONG changesRead;            // changes handed out by GetDeviceData
  // QueryPerformanceCounter at poll n (counting from 1) in pollQpc[(n - 1) % kPollTimes].
  volatile LONGLONG pollQpc[kPollTimes];
  AxisRange ranges[kMaxAxes];
  LONG reserved[2];
};

// How a controller answers buffered input.
enum BufferMode : LONG {
  kBuffersAndEvents = 0,  // as most controllers: a buffer, and an event on each change
  kRefusesBuffers = 1,    // DIPROP_BUFFERSIZE and SetEventNotification answer DIERR_UNSUPPORTED
  kPolledDevice = 2,      // a buffer; SetEventNotification answers DI_POLLEDDEVICE; Poll is needed
};

struct ButtonChange {
  LONG offset;  // DIJOFS_BUTTON(n), or DIJOFS_X .. DIJOFS_SLIDER(1), DIJOFS_POV(n)
  LONG data;
  LONG sequence;  // one number for the changes of one report, as DirectInput numbers them
};

struct Controller {
  // Described by the driver.
  volatile LONG defined;  // the slot holds a controller (installed)
  volatile LONG present;  // ... and it is attached; EnumDevices(ATTACHEDONLY) lists only these
  GUID instanceGuid;
  GUID productGuid;
  char productName[kNameSize];
  LONG buttonCount;  // 0..128
  LONG axisCount;    // 0..8
  LONG povCount;     // 0..4
  // Button bytes as GetDeviceState reports them (0x80 = down). After changing them the driver
  // increments buttonsSerial and stamps buttonsChangeQpc.
  volatile LONG buttonsSerial;
  volatile LONGLONG buttonsChangeQpc;
  volatile BYTE buttons[kMaxButtons];
  // Every button change, also kept in order for buffered reads: written to
  // changes[changesWritten % kChangeRing] before changesWritten is incremented.
  volatile LONG bufferMode;  // BufferMode
  volatile LONG changesWritten;
  ButtonChange changes[kChangeRing];
  Fault faults[kMethodCount];
  CallRecord record;
  // Where the axes and hats stand, written by the driver like the buttons (then buttonsSerial
  // moves). An axis: per mille of its half-range from the centre, -1000..1000. A hat: 0 while
  // centred, else the value GetDeviceState reports plus one.
  volatile LONG axisPositions[kMaxAxes];
  volatile LONG povValues[kMaxPovs];
  // An XInput pad (an Xbox pad on Windows 10 and later): its device path holds "IG_", and it
  // reads as released and centred while the calling process does not own the foreground window.
  volatile LONG xinputPad;
  LONG reservedPad[3];
};

// DirectInput8Create and EnumDevices, which are not tied to one controller.
struct GlobalRecord {
  volatile LONG createCalls;
  volatile LONG createFailures;
  volatile LONG lastCreateVersion;
  volatile LONG enumDevicesCalls;
  volatile LONG enumDevicesFailures;
  volatile LONG lastEnumClass;
  volatile LONG lastEnumFlags;
  volatile LONG lastEnumListed;       // devices handed to the latest EnumDevices callback
  volatile LONG createDeviceUnknown;  // CreateDevice calls for a GUID that no slot holds
  volatile LONG liveInterfaces;       // IDirectInput8A objects alive
  volatile LONG liveDevices;          // device objects alive, all controllers
  volatile LONG clientPid;            // process of the latest DirectInput8Create
  LONG reserved[4];
};

struct Header {
  uint32_t magic;
  uint32_t version;
  uint32_t size;            // sizeof(FakeDInputShared)
  uint32_t maxControllers;  // kMaxControllers
  LONGLONG qpcFrequency;
  // Any button change of any controller: incremented and stamped after the change is written.
  volatile LONG changeSerial;
  volatile LONGLONG changeQpc;
  Fault createFault;       // DirectInput8Create
  Fault enumDevicesFault;  // IDirectInput8A::EnumDevices
  GlobalRecord record;
  volatile LONG changeSequence;  // the sequence number of the latest report of any controller
  LONG reserved[10];
};

struct FakeDInputShared {
  Header header;
  Controller controllers[kMaxControllers];
};

// One layout for every program that maps it: checked here so that a change shows at compile time
// and the version is raised with it.
static_assert(sizeof(GUID) == 16);
static_assert(offsetof(Controller, buttonsChangeQpc) % 8 == 0);
static_assert(offsetof(CallRecord, cooperativeWindow) % 8 == 0);
static_assert(sizeof(CallRecord) % 8 == 0);
static_assert(sizeof(Controller) % 8 == 0);
static_assert(sizeof(Header) % 8 == 0);
static_assert(sizeof(FakeDInputShared) == sizeof(Header) + kMaxControllers * sizeof(Controller));

}  // namespace fakedinput
