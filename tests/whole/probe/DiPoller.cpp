// dipoller.exe: a stand-in for the program under test that opens the game controllers through
// DirectInput 8 with the very calls the program makes (imported from dinput8.dll, so that the
// test DLL beside it is used when WINEDLLOVERRIDES=dinput8=n,b), polls them every 10 ms from a
// window timer and reports each button that goes down. It lets the whole-program tools be tested
// without the program.
//
//   dipoller.exe [--seconds N] [--send-to CLASS] [--refresh-after MS] [--ask TEXT]
//
//   --seconds        run at most this long (default 10); closing its window ends it sooner
//   --send-to CLASS  on each press, SendMessage WM_KEYDOWN and WM_KEYUP of 'A' + button % 26 to the
//                    first top-level window of CLASS
//   --refresh-after  release every controller and enumerate again after MS milliseconds
//   --ask TEXT       first ask TEXT in a Yes/No message box titled "dipoller", print the answer
//
// Prints "slot S button B down" for every press, and "done" with its counts at the end.
#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kMaxSlots = 16;
constexpr UINT_PTR kPollTimer = 1;
constexpr int kMaxAcquireAttempts = 1000;

struct Slot {
  IDirectInputDevice8A* device = nullptr;
  DIDEVCAPS caps = {};
  BYTE buttons[128] = {};
  bool connected = false;
};

struct Poller {
  IDirectInput8A* input = nullptr;
  Slot slots[kMaxSlots];
  int count = 0;
  HWND window = nullptr;
  std::string sendTo;
  long presses = 0;
  long passes = 0;
  bool closed = false;
};

Poller g_poller;

BOOL CALLBACK AddController(LPCDIDEVICEINSTANCEA instance, LPVOID) {
  if (g_poller.count >= kMaxSlots) return DIENUM_STOP;
  Slot& slot = g_poller.slots[g_poller.count];
  if (FAILED(g_poller.input->CreateDevice(instance->guidInstance, &slot.device, nullptr))) {
    return DIENUM_CONTINUE;
  }
  slot.caps.dwSize = sizeof(DIDEVCAPS);
  if (FAILED(slot.device->GetCapabilities(&slot.caps))) {
    slot.device->Release();
    slot.device = nullptr;
    return DIENUM_CONTINUE;
  }
  std::memset(slot.buttons, 0, sizeof(slot.buttons));
  std::printf("slot %d: %s, %lu buttons\n", g_poller.count, instance->tszProductName,
              slot.caps.dwButtons);
  ++g_poller.count;
  return DIENUM_CONTINUE;
}

BOOL CALLBACK SetAxisRange(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
  if ((object->dwType & DIDFT_AXIS) == 0) return DIENUM_CONTINUE;
  DIPROPRANGE range = {};
  range.diph.dwSize = sizeof(DIPROPRANGE);
  range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  range.diph.dwObj = object->dwType;
  range.diph.dwHow = DIPH_BYID;
  range.lMin = -1000;
  range.lMax = 1000;
  auto* device = static_cast<IDirectInputDevice8A*>(context);
  return SUCCEEDED(device->SetProperty(DIPROP_RANGE, &range.diph)) ? DIENUM_CONTINUE : DIENUM_STOP;
}

void Enumerate() {
  g_poller.input->EnumDevices(DI8DEVCLASS_GAMECTRL, AddController, nullptr, DIEDFL_ATTACHEDONLY);
  for (int i = 0; i < g_poller.count; ++i) {
    IDirectInputDevice8A* device = g_poller.slots[i].device;
    if (FAILED(device->SetDataFormat(&c_dfDIJoystick2)) ||
        FAILED(
            device->SetCooperativeLevel(g_poller.window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND)) ||
        FAILED(device->EnumObjects(SetAxisRange, device, DIDFT_ALL))) {
      return;
    }
  }
}

void ReleaseAll() {
  for (int i = 0; i < g_poller.count; ++i) {
    g_poller.slots[i].device->Unacquire();
    g_poller.slots[i].device->Release();
    g_poller.slots[i].device = nullptr;
  }
  g_poller.count = 0;
}

void SendKey(int button) {
  HWND target = FindWindowA(g_poller.sendTo.c_str(), nullptr);
  if (target == nullptr) return;
  const WPARAM key = 'A' + button % 26;
  const UINT scan = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
  SendMessageA(target, WM_KEYDOWN, key, static_cast<LPARAM>(1 | (scan << 16)));
  SendMessageA(target, WM_KEYUP, key, static_cast<LPARAM>(1 | (scan << 16) | 0xC0000000u));
}

void PollOnce() {
  ++g_poller.passes;
  for (int i = 0; i < g_poller.count; ++i) {
    Slot& slot = g_poller.slots[i];
    if (FAILED(slot.device->Poll())) {
      // Bounded, unlike a bare "while input lost" loop: a controller that never comes back must
      // not hang the poller.
      HRESULT result = slot.device->Acquire();
      for (int attempt = 1; result == DIERR_INPUTLOST && attempt < kMaxAcquireAttempts; ++attempt) {
        result = slot.device->Acquire();
      }
      continue;
    }
    DIJOYSTATE2 state;
    if (FAILED(slot.device->GetDeviceState(sizeof(state), &state))) {
      if (slot.connected) std::printf("slot %d disconnected\n", i);
      slot.connected = false;
      continue;
    }
    if (!slot.connected) std::printf("slot %d connected\n", i);
    slot.connected = true;
    for (int b = 0; b < 128; ++b) {
      const bool down = (state.rgbButtons[b] & 0x80) != 0;
      const bool wasDown = (slot.buttons[b] & 0x80) != 0;
      slot.buttons[b] = state.rgbButtons[b];
      if (down && !wasDown) {
        ++g_poller.presses;
        std::printf("slot %d button %d down\n", i, b);
        if (!g_poller.sendTo.empty()) SendKey(b);
      }
    }
  }
  std::fflush(stdout);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kPollTimer) {
    PollOnce();
    return 0;
  }
  if (message == WM_DESTROY) {
    g_poller.closed = true;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int Run(int argc, char** argv) {
  long seconds = 10;
  long refreshAfterMs = -1;
  std::string question;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--seconds" && i + 1 < argc) {
      seconds = std::strtol(argv[++i], nullptr, 10);
    } else if (argument == "--send-to" && i + 1 < argc) {
      g_poller.sendTo = argv[++i];
    } else if (argument == "--refresh-after" && i + 1 < argc) {
      refreshAfterMs = std::strtol(argv[++i], nullptr, 10);
    } else if (argument == "--ask" && i + 1 < argc) {
      question = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: dipoller.exe [--seconds N] [--send-to CLASS] [--refresh-after MS] "
                   "[--ask TEXT]\n");
      return 2;
    }
  }

  if (!question.empty()) {
    const int answer = MessageBoxA(nullptr, question.c_str(), "dipoller", MB_YESNO);
    std::printf("answer %s\n", answer == IDYES ? "yes" : answer == IDNO ? "no" : "other");
    std::fflush(stdout);
  }

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "TarvelDiPoller";
  RegisterClassA(&windowClass);
  g_poller.window =
      CreateWindowExA(0, windowClass.lpszClassName, "dipoller", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                      nullptr, nullptr, windowClass.hInstance, nullptr);
  if (g_poller.window == nullptr) {
    std::fprintf(stderr, "dipoller: no window (is DISPLAY set?)\n");
    return 3;
  }

  const HRESULT created =
      DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                         reinterpret_cast<void**>(&g_poller.input), nullptr);
  if (FAILED(created)) {
    std::printf("DirectInput8Create failed: 0x%08lX\n", static_cast<unsigned long>(created));
    return 1;
  }
  Enumerate();
  std::fflush(stdout);
  SetTimer(g_poller.window, kPollTimer, 10, nullptr);

  const ULONGLONG start = GetTickCount64();
  const ULONGLONG end = start + static_cast<ULONGLONG>(seconds) * 1000;
  bool refreshed = false;
  MSG message;
  while (GetTickCount64() < end && !g_poller.closed) {
    if (!refreshed && refreshAfterMs >= 0 &&
        GetTickCount64() >= start + static_cast<ULONGLONG>(refreshAfterMs)) {
      refreshed = true;
      KillTimer(g_poller.window, kPollTimer);
      ReleaseAll();
      std::printf("refresh\n");
      Enumerate();
      SetTimer(g_poller.window, kPollTimer, 10, nullptr);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  KillTimer(g_poller.window, kPollTimer);
  ReleaseAll();
  g_poller.input->Release();
  if (!g_poller.closed) DestroyWindow(g_poller.window);
  std::printf("done: %ld passes, %ld presses\n", g_poller.passes, g_poller.presses);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" line ends for the scripts that read it
  return Run(argc, argv);
}
