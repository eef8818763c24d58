// The log of the key sink window, in shared memory (common/SharedMapping.h) named
// "TarvelKeySink", or as TARVEL_KEYSINK_NAME or keysink's --log argument say.
//
// The sink appends one KeyEvent per keyboard message its window receives and is the log's only
// writer: it writes the entry, then publishes it by raising `count`. Readers take `count` and
// read the entries below it. Requests from a driver (focus, hang, clear, quit) are fields that
// the sink's 10 ms timer answers. Like the fake DirectInput's memory, zero-filled memory is valid
// and every opener stamps the same header.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace keysink {

inline constexpr char kDefaultLogName[] = "TarvelKeySink";
inline constexpr char kLogNameVariable[] = "TARVEL_KEYSINK_NAME";
inline constexpr char kDefaultClassName[] = "TarvelKeySink";
inline constexpr char kDefaultTitle[] = "Tarvel Key Sink";

inline constexpr uint32_t kMagic = 0x4C534B54;  // "TKSL"
inline constexpr uint32_t kVersion = 1;
inline constexpr int kCapacity = 4096;

// KeyEvent::flags
inline constexpr uint32_t kSent = 1;       // came through SendMessage (InSendMessage)
inline constexpr uint32_t kFromQueue = 2;  // came through the message queue (posted or input)

// KeyEvent::modifiers: GetKeyState of the modifier keys while the message was handled.
inline constexpr uint32_t kShiftDown = 1;
inline constexpr uint32_t kControlDown = 2;
inline constexpr uint32_t kAltDown = 4;

struct KeyEvent {
  uint32_t message;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP or WM_CHAR
  uint32_t flags;
  uint64_t wParam;
  int64_t lParam;
  int32_t messageTime;  // GetMessageTime
  uint32_t modifiers;
  int64_t qpc;  // QueryPerformanceCounter when the window procedure got the message
};

struct Header {
  uint32_t magic;
  uint32_t version;
  uint32_t size;
  uint32_t capacity;
  LONGLONG qpcFrequency;
  volatile LONG count;  // entries written; entries past the capacity are counted in dropped
  volatile LONG dropped;
  // The running sink.
  volatile LONG sinkPid;
  volatile LONG sinkReady;       // its window exists and its timer runs
  volatile LONGLONG sinkWindow;  // HWND
  volatile LONG foreground;      // its window was the foreground window at its latest tick
  volatile LONG focused;         // ... and had the keyboard focus
  volatile LONG ticks;           // timer ticks handled: proof that it pumps messages
  // Requests. A request is a new serial in *Request; the sink copies it to *Done when answered.
  volatile LONG focusRequest;
  volatile LONG focusDone;
  volatile LONG clearRequest;
  volatile LONG clearDone;
  volatile LONG hangNextKeyMs;  // sleep this long inside the next key message, once
  volatile LONG freezeMs;       // stop pumping this long, at the next tick
  volatile LONG hangsDone;      // sleeps of either kind taken
  volatile LONG quitRequest;    // nonzero: close the window
  LONG reserved0;
  volatile LONGLONG focusQpc;  // QueryPerformanceCounter as the latest focus request began
  LONG reserved[4];
};

struct KeySinkLog {
  Header header;
  KeyEvent events[kCapacity];
};

static_assert(sizeof(KeyEvent) == 40);
static_assert(offsetof(Header, sinkWindow) % 8 == 0);
static_assert(offsetof(Header, focusQpc) % 8 == 0);
static_assert(sizeof(Header) % 8 == 0);

}  // namespace keysink
