// An hour of polling at 100 passes a second, in simulated time: random presses, controllers
// pulled out and put back, lost input, refreshes and answers to the new-joystick question.
// After every pass the ties between records and controllers hold, every fresh press of an
// assigned button has produced exactly one complete keystroke, and memory has not grown.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "input/JoystickTable.h"
#include "input/Polling.h"
#include "model/TarvelDoc.h"
#include "tests/doubles/FakeApp.h"
#include "tests/doubles/FakeControllers.h"
#include "tests/doubles/FakePrompts.h"
#include "tests/doubles/FakeTimerOwner.h"

namespace {
std::atomic<long> liveAllocations{0};
}

void* operator new(std::size_t size) {
  ++liveAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  --liveAllocations;
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace tarvel::test {
namespace {

constexpr int kPassesPerSecond = 100;
constexpr int kControllers = 20;

// One keystroke as the engine sends it: the key, its modifiers and where it went.
struct Keystroke {
  uint8_t virtualKey;
  uint8_t modifiers;
  bool toWindow;
  bool operator==(const Keystroke&) const = default;
};

constexpr uint8_t kModifierKeys[3] = {0x10, 0x11, 0x12};  // Shift, Ctrl, Alt
WindowHandle const kTarget = reinterpret_cast<WindowHandle>(0x5000);

// Reads the stream of key events and key messages back into whole keystrokes, and fails on any
// event that does not belong to a complete, well-ordered keystroke.
class CheckingKeySender final : public KeySender {
 public:
  void InjectKey(uint8_t vk, uint8_t, bool up) override { Take(vk, up, false); }
  WindowHandle FindTopLevelWindow(const char* className) override {
    return std::string(className) == "SoakTarget" ? kTarget : nullptr;
  }
  Delivery SendKeyMessage(WindowHandle window, bool up, uint8_t vk) override {
    if (window != kTarget) broken = true;
    Take(vk, up, true);
    return Delivery{};
  }
  // The soak's mappings are keys only: anything of the mouse is a fault.
  Delivery InjectInput(const InputEvent*, int) override {
    broken = true;
    return Delivery{};
  }
  bool CursorPosition(int32_t*, int32_t*) override { return false; }
  bool ClientArea(WindowHandle, ScreenRect*) override { return false; }
  Delivery SendMouseMessage(WindowHandle, const MouseMessage&) override {
    broken = true;
    return Delivery{};
  }
  // The soak's mappings type keys only: a text is a fault here.
  Delivery InjectText(const char16_t*, int) override {
    broken = true;
    return Delivery{};
  }
  Delivery SendCharMessage(WindowHandle, char16_t) override {
    broken = true;
    return Delivery{};
  }

  std::vector<Keystroke> done;
  bool broken = false;
  bool Idle() const { return step_ == 0; }

 private:
  // Steps: modifiers down (in order Shift, Ctrl, Alt), key down, key up, modifiers up reversed.
  void Take(uint8_t vk, bool up, bool toWindow) {
    if (step_ == 0) {
      current_ = {0, 0, toWindow};
      nextModifier_ = 0;
      step_ = 1;
    }
    if (current_.toWindow != toWindow) broken = true;
    if (step_ == 1 && !up) {
      for (int m = nextModifier_; m < 3; ++m) {
        if (vk == kModifierKeys[m]) {
          current_.modifiers |= static_cast<uint8_t>(1 << m);
          nextModifier_ = m + 1;
          return;
        }
      }
      current_.virtualKey = vk;
      step_ = 2;
      return;
    }
    if (step_ == 2 && up && vk == current_.virtualKey) {
      step_ = 3;
      pendingUp_ = current_.modifiers;
      Finish();
      return;
    }
    if (step_ == 3 && up) {
      const int top = pendingUp_ & 4 ? 2 : pendingUp_ & 2 ? 1 : 0;
      if (vk != kModifierKeys[top]) broken = true;
      pendingUp_ &= static_cast<uint8_t>(~(1 << top));
      Finish();
      return;
    }
    broken = true;
  }
  void Finish() {
    if (pendingUp_ != 0) return;
    done.push_back(current_);
    step_ = 0;
  }

  Keystroke current_{};
  int step_ = 0;
  int nextModifier_ = 0;
  uint8_t pendingUp_ = 0;
};

// Gives every button of a record a key: some system-wide, some to a target window, some to a
// window that does not exist, and some left unassigned.
void AssignKeys(DeviceRecord& record, int salt) {
  for (int i = 0; i < record.buttonCount; ++i) {
    ButtonMapping& m = record.buttons[i];
    const int kind = (i + salt) % 5;
    m.assigned = kind != 0;
    m.virtualKey = static_cast<uint8_t>(0x41 + (i + salt) % 26);
    m.modifiers = static_cast<uint8_t>((i / 3 + salt) % 8);
    const char* target = kind == 2 ? "SoakTarget" : kind == 3 ? "Nowhere" : "";
    SetTextField(m.windowClass, target);
  }
}

struct SoakFigures {
  long passes = 0;
  long keystrokes = 0;
  long refreshes = 0;
  long unplugs = 0;
  long storms = 0;
};

SoakFigures RunSoak(long seconds, unsigned seed) {
  std::mt19937 rng(seed);
  FakeBackend backend;
  backend.longRun = true;
  for (int c = 0; c < kControllers; ++c) {
    const uint32_t buttons = c == 3 ? 200u : static_cast<uint32_t>(1 + (c * 37) % 128);
    backend
        .AddController(TestGuid(static_cast<uint32_t>(c) + 1), "Soak Pad " + std::to_string(c),
                       buttons)
        .attached = c < 16;
  }
  JoystickTable table(&backend);
  table.SetUpJoysticks(nullptr);
  CheckingKeySender keys;
  FakeApp app;
  FakePrompts prompts;
  prompts.whileAsking = [&](const std::string&) { prompts.answers.push_back(rng() % 2 == 0); };
  FakeTimerOwner timer(nullptr);
  CTarvelDoc doc(DocContext{&table, &app, &keys, &prompts, nullptr});
  doc.BuildRecordsFromAttached();
  int salt = 0;
  for (int r = 0; r < doc.recordCount; ++r) AssignKeys(*doc.records[r], salt++);

  // What the engine must have seen last, per record and button, kept apart from the model.
  uint8_t expectedState[kMaxRecords][kMaxButtons] = {};
  const DeviceRecord* expectedOwner[kMaxRecords] = {};
  for (int r = 0; r < doc.recordCount; ++r) expectedOwner[r] = doc.records[r];

  std::vector<Keystroke> expected;
  expected.reserve(kMaxRecords * kMaxButtons);
  keys.done.reserve(kMaxRecords * kMaxButtons);

  SoakFigures figures;
  long baseline = -1;
  const long passes = seconds * kPassesPerSecond;
  for (long pass = 0; pass < passes; ++pass) {
    // The world changes between two ticks.
    for (int c = 0; c < kControllers; ++c) {
      FakeController& fc = backend.Controller(c);
      if (rng() % 2 == 0) {
        // Mostly buttons in use, sometimes bytes past them, which must change nothing.
        static constexpr uint8_t kBytes[] = {0x00, 0x80, 0x81, 0x00};
        const uint32_t range = rng() % 8 == 0 ? 128 : (fc.buttons < 128 ? fc.buttons : 128);
        fc.buttonBytes[rng() % range] = kBytes[rng() % 4];
      }
      switch (rng() % 4000) {
        case 0:
          if (fc.failGetDeviceState)
            fc.PlugIn();
          else
            fc.Unplug();
          ++figures.unplugs;
          break;
        case 1:
          fc.dropAcquisition = true;
          fc.inputLostAnswers = rng() % 8 == 0 ? -1 : static_cast<int>(rng() % 40);
          ++figures.storms;
          break;
        case 2:
          fc.inputLostAnswers = 0;
          break;
        case 3:
          // Controllers come and go; a refresh then offers the new ones.
          if (c >= 12) fc.attached = !fc.attached;
          break;
      }
    }
    if (rng() % 3000 == 0) {
      table.RefreshJoysticks(&timer);
      const int before = doc.recordCount;
      doc.SyncAttachedJoysticks();
      for (int r = before; r < doc.recordCount; ++r) {
        AssignKeys(*doc.records[r], salt++);
        for (auto& b : expectedState[r]) b = 0;
        expectedOwner[r] = doc.records[r];
      }
      ++figures.refreshes;
      if (!timer.running) ADD_FAILURE() << "refresh left the polling timer stopped";
    }

    long readsBefore[kControllers];
    for (int c = 0; c < kControllers; ++c) readsBefore[c] = backend.Controller(c).statesRead;
    keys.done.clear();
    PollJoysticks(table, &doc);

    // Expected keystrokes, from the controllers that were read, in slot and button order.
    expected.clear();
    for (int s = 0; s < table.count; ++s) {
      const int r = table.slots[s].recordIndex;
      const int c = backend.ControllerOf(table.slots[s].device);
      if (r < 0 || backend.Controller(c).statesRead == readsBefore[c]) continue;
      const DeviceRecord& record = *doc.records[r];
      if (expectedOwner[r] != &record) {
        ADD_FAILURE() << "record " << r << " changed under the poll";
        return figures;
      }
      for (int i = 0; i < record.buttonCount; ++i) {
        const uint8_t now = backend.Controller(c).buttonBytes[i];
        if (now == expectedState[r][i]) continue;
        expectedState[r][i] = now;
        const ButtonMapping& m = record.buttons[i];
        if (!(now & 0x80) || !m.assigned) continue;
        if (std::string(m.windowClass) == "Nowhere") continue;
        expected.push_back(
            {m.virtualKey, static_cast<uint8_t>(m.modifiers & 7), m.windowClass[0] != '\0'});
      }
    }
    if (keys.broken || !keys.Idle() || keys.done != expected) {
      ADD_FAILURE() << "pass " << pass << ": expected " << expected.size() << " keystrokes, got "
                    << keys.done.size() << (keys.broken ? " (a broken sequence)" : "");
      return figures;
    }
    figures.keystrokes += static_cast<long>(expected.size());

    // The ties between records and slots hold in both directions.
    for (int r = 0; r < doc.recordCount; ++r) {
      const int s = doc.records[r]->attachedIndex;
      if (s == -1) continue;
      if (s < 0 || s >= table.count ||
          !(table.slots[s].instanceGuid == doc.records[r]->instanceGuid)) {
        ADD_FAILURE() << "pass " << pass << ": record " << r << " names slot " << s;
        return figures;
      }
    }
    for (int s = 0; s < table.count; ++s) {
      const int r = table.slots[s].recordIndex;
      if (r == -1) continue;
      if (r < 0 || r >= doc.recordCount || doc.records[r]->attachedIndex != s) {
        ADD_FAILURE() << "pass " << pass << ": slot " << s << " names record " << r;
        return figures;
      }
    }
    if (table.count > kMaxSlots || backend.LiveDevices() != table.count) {
      ADD_FAILURE() << "pass " << pass << ": " << backend.LiveDevices() << " devices open for "
                    << table.count << " slots";
      return figures;
    }

    // Memory: once the records are all there, nothing may grow.
    if (doc.recordCount == kMaxRecords && baseline < 0) baseline = liveAllocations;
    if (baseline >= 0 && liveAllocations > baseline + kMaxSlots) {
      ADD_FAILURE() << "pass " << pass << ": live allocations grew from " << baseline << " to "
                    << liveAllocations;
      return figures;
    }
    ++figures.passes;
  }
  table.ReleaseJoysticks();
  EXPECT_EQ(backend.LiveDevices(), 0);
  return figures;
}

long SoakSeconds() {
  const char* text = std::getenv("TARVEL_SOAK_SECONDS");
  return text != nullptr ? std::atol(text) : 3600;
}

TEST(Soak, PollingHoldsItsPromisesOverALongRun) {
  const long seconds = SoakSeconds();
  const SoakFigures f = RunSoak(seconds, 20261207u);
  EXPECT_EQ(f.passes, seconds * kPassesPerSecond);
  EXPECT_GT(f.keystrokes, 0);
  EXPECT_GT(f.refreshes, 0);
  EXPECT_GT(f.unplugs, 0);
  EXPECT_GT(f.storms, 0);
  std::printf(
      "soak: %ld simulated seconds, %ld passes, %ld keystrokes checked, %ld refreshes, "
      "%ld unplugs and replugs, %ld lost-input storms\n",
      seconds, f.passes, f.keystrokes, f.refreshes, f.unplugs, f.storms);
}

}  // namespace
}  // namespace tarvel::test
