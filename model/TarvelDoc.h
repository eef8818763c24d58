#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/TextField.h"
#include "input/ButtonSink.h"
#include "model/AppServices.h"
#include "model/ConfigFormat.h"
#include "model/DeliveryReports.h"
#include "model/DeviceRecord.h"
#include "model/Document.h"
#include "model/FileOps.h"
#include "model/KeySender.h"
#include "model/RowOutput.h"
#include "model/UserPrompts.h"

namespace tarvel {

class JoystickTable;

constexpr int kKeyTextSize = 34;  // "Ctrl + Alt + Shift + Print Screen" and its zero
// What the Key column shows: the key as above, or a short form of a sequence ("Ctrl+C, Alt+Tab,
// ..."), of a text ("Text: gg wp", in UTF-8) or of a long press ("Ctrl+S (hold: F5)").
constexpr int kOutputTextSize = 128;
constexpr int kRowNameSize = 48;  // "Rx Axis - (Right Stick Left) (99/98%)" and its zero

// What a document needs from outside the model.
struct DocContext {
  JoystickTable* attached = nullptr;
  AppServices* app = nullptr;
  KeySender* keys = nullptr;
  UserPrompts* prompts = nullptr;
  FileOps* files = nullptr;  // null: the system's files
  // Whether keys can reach the program in front; null: they always go out.
  ForegroundIntegrity* integrity = nullptr;
  // Where keys that cannot arrive are reported; null: nowhere (see SetUserNotices).
  UserNotices* notices = nullptr;
};

class CTarvelDoc : public Document, public ButtonSink {
 public:
  explicit CTarvelDoc(const DocContext& context);
  ~CTarvelDoc() override;
  CTarvelDoc(const CTarvelDoc&) = delete;
  CTarvelDoc& operator=(const CTarvelDoc&) = delete;

  // File commands.
  bool OnNewDocument() override;
  bool OnOpenDocument(const char* path) override;  // true only when the file was read
  bool OnSaveDocument(const char* path) override;
  // Reads the whole file, parses it (ParseConfiguration) and adopts its records, or shows why
  // not. A file that cannot be opened or read to its end changes nothing and shows nothing.
  LoadResult ReadConfiguration(const char* path, LoadObserver* observer = nullptr);
  LoadResult ReadConfiguration(std::FILE* file, LoadObserver* observer = nullptr);
  // As ReadConfiguration, but a file that is refused is not shown to the user either: the
  // caller says so in its own way (a switch of configurations while the user plays).
  LoadResult ReadConfigurationQuietly(const char* path);
  // Takes the records of a parsed file in place of its own and ties them to the controllers.
  void AdoptRecords(ParsedConfiguration& parsed);
  // The whole document in the file format; the result's length, or 0 when buffer is too small.
  size_t FormatConfiguration(char* buffer, size_t size) const;
  static size_t MaxConfigurationSize();

  // Records.
  void ClearRecords();
  void BuildRecordsFromAttached();
  void SyncAttachedJoysticks();
  // Ties every record to the controllers enumerated afresh, as SyncAttachedJoysticks does, but
  // asks nothing: the controllers that no record names stay unlinked.
  void ReattachJoysticks();
  // The new-joystick question of SyncAttachedJoysticks is open: nothing may rebuild the table.
  bool DiscoveryOpen() const { return discoveryOpen_; }
  void NotifyConnectionChanged(int recordIndex) override;
  // Appends a record for the slot and ties both; false when the document is full.
  bool AppendRecordForSlot(int slotIndex);

  // Rows.
  bool RowToButton(int row, int* record, int* button) const;
  int ButtonToRow(int record, int button) const;
  int RowCount() const;
  uint8_t GetRowStatus(int row) const;
  uint8_t GetButtonStatus(int record, int button) const;
  void ClearRowKey(int row);
  bool GetRowDescription(int row, char* buffer) const;  // 64 bytes
  void SetRowDescription(int row, const char* text);
  bool GetRowWindowClass(int row, char* buffer) const;  // 64 bytes
  void SetRowWindowClass(int row, const char* text);
  bool GetRowKeyText(int row, char* buffer) const;                    // kKeyTextSize bytes
  bool GetButtonKeyText(int record, int button, char* buffer) const;  // kKeyTextSize bytes
  bool GetRowOutputText(int row, char* buffer) const;                 // kOutputTextSize bytes
  // What the Button column shows: the button's number, or the name of a hat's direction or a
  // half-axis ("POV 1 Up", "X Axis +"), with a half-axis's thresholds when they are not 50 and
  // 40 ("X Axis + (60/45%)"). kRowNameSize bytes hold any of them.
  bool GetRowControlName(int row, char* buffer, int size) const;
  // A half-axis row's thresholds in percent of its half-range; false for any other row, and for
  // values that are not 1-99 with release below press.
  bool GetRowThresholds(int row, int* pressPercent, int* releasePercent) const;
  bool SetRowThresholds(int row, int pressPercent, int releasePercent);

  // Key capture.
  void SetKeyCapture(bool on, int row);
  bool StoreCapturedKey(uint8_t virtualKey, uint8_t scanCode, uint8_t modifiers);

  // The mapping engine: one controller's 128 button bytes.
  void ProcessButtons(int recordIndex, const uint8_t* buttons) override;
  // The hats and axes of the same controller: each direction and half-axis with a row goes down
  // and up as a button would, through the same path.
  void ProcessHatsAndAxes(int recordIndex, const int32_t* axes, const uint32_t* povs) override;
  // An XInput pad's guide button and triggers, each pulled on its own.
  void ProcessPadControls(int recordIndex, const PadControls& pad) override;
  // Whether a record stands for an XInput pad: its controller is one, or, while it has none, it
  // has rows that only such a pad has. Its rows then say what players call each control.
  bool IsPadRecord(int record) const;
  // "Xbox Controller, player 1 (XInput)" while the record's controller is read from an XInput
  // user that answers; false (and an empty text) otherwise.
  bool GetRecordPadText(int record, char* buffer, int size) const;
  // The polling timer's tick, before its pass: the time of the presses it reads, in
  // milliseconds, and the repeats of Turbo mappings that are due.
  void OnTick(int64_t nowMs);
  // Lets go of every key that Hold and Toggle mappings keep down, and stops every repeat, every
  // sequence being typed or waiting and every press waiting to be long: of one mapping, of one
  // record, or all of them.
  void ReleaseMappingKeys(int record, int button);
  void ReleaseRecordKeys(int record);
  void ReleaseHeldKeys();
  bool HoldsKeys() const {
    return !held_.empty() || !repeating_.empty() || !typing_.empty() || !pressing_.empty();
  }
  // At most this many sequences wait while one with gaps is typed; a press past them is dropped.
  static constexpr int kMaxQueuedSequences = 4;
  // The action of a row's mapping; false when the row or the rate is out of range.
  bool SetRowAction(int row, KeyAction action, int turboRate);
  bool GetRowAction(int row, KeyAction* action, int* turboRate) const;
  // A mouse action in place of the row's key (None: no output), with Shift, Ctrl and Alt.
  bool SetRowMouseAction(int row, MouseAction action, uint8_t modifiers);
  bool GetRowMouseAction(int row, MouseAction* action, uint8_t* modifiers) const;

  // The sticks of a record that move the pointer and turn the wheel; false for no such record or
  // values out of range.
  bool GetRecordPointer(int record, PointerSettings* pointer, ScrollSettings* scroll) const;
  bool SetRecordPointer(int record, const PointerSettings& pointer, const ScrollSettings& scroll);
  // Moves the pointer and turns the wheel for every stick out of its dead zone, by the time
  // since the last call (a clock in microseconds).
  void MovePointers(int64_t nowUs);
  // A stick moves the pointer or the wheel now: the caller ticks every kPointerTickMs.
  bool NeedsPointerTick() const;
  // The top speeds are given for 96 dots per inch; the pointer moves over a screen of dpi.
  void SetPointerDpi(int dpi) { pointerDpi_ = dpi > 0 ? dpi : 96; }
  // All of what a row's press does; SetRowOutput changes all or, refused, nothing.
  bool GetRowOutput(int row, RowOutput* output) const;
  RowOutputResult SetRowOutput(int row, const RowOutput& output);

  // Reorders and deletes records: order lists the old indices that are kept, in their new order.
  // Every slot is re-tied in the same step.
  void ApplyRecordOrder(const int* order, int count);

  int32_t recordCount = 0;
  DeviceRecord* records[kMaxRecords] = {};
  int32_t captureRow = 0;
  int fileVersion = 2;  // version digit of the last file read

  JoystickTable& Attached() const { return *context_.attached; }
  // The status bar and tray balloons, which come after the document.
  void SetUserNotices(UserNotices* notices) { reports_.SetNotices(notices); }

 private:
  ButtonMapping* MappingAt(int row) const;
  void LinkRecord(int recordIndex);
  // Unties every slot, then ties each record in order.
  void LinkAllRecords();
  void ShowRefusal(LoadResult result) const;
  LoadResult ReadAndAdopt(std::FILE* file, LoadObserver* observer, bool showRefusal);
  void SendKeystroke(const ButtonMapping& mapping);
  // What a press of the mapping types: its key, its sequence or its text.
  void SendOutput(int record, int button);
  void SendKeystrokes(const ButtonMapping& mapping, const KeyStroke* steps, int count);
  void SendText(const ButtonMapping& mapping, const char* utf8);
  // A sequence with gaps: typed from the tick, after those before it.
  void StartTyping(int record, int button, const KeySequence& sequence);
  void TypeDueSteps(int64_t nowMs);
  bool IsTyping(int record, int button) const;
  // The action of a press, and the end of a press (the button let go).
  void ActOnPress(int record, int button);
  void EndPress(int record, int button);
  // False, with the user told why, when keys into the input stream cannot reach the program in
  // front.
  bool ForegroundTakesKeys();
  // The target window of a mapping, or null with the user told that none is open.
  WindowHandle FindTargetWindow(const char* className);
  // A mapping's new state byte: its pressed mark and what its action does on the change.
  void ApplyMappingState(int record, int index, uint8_t byte, DocView* view);
  // A key that a Hold mapping keeps down, as it went down: its window (for the target-window
  // route) and its keys, so that it comes up as it went down whatever the mapping is now.
  struct HeldMapping {
    int record;
    int button;
    WindowHandle window;
    bool toWindow;
    uint8_t virtualKey;
    uint8_t scanCode;
    uint8_t modifiers;
    MouseAction mouse = MouseAction::None;
    bool latched = false;  // put down by a Toggle press: the next press lets it go
  };
  struct RepeatingMapping {
    int record;
    int button;
    int64_t dueMs;
  };
  void PressHeldKeys(int record, int button);
  void ReleaseRowKeys(int row);
  Delivery SendHeldKeys(size_t index, bool keyUp);
  bool HeldByOther(size_t except, WindowHandle window, bool toWindow, uint8_t virtualKey) const;
  bool MouseHeldByOther(size_t except, WindowHandle window, bool toWindow, MouseAction mouse) const;
  // A click or a notch of a mouse mapping; a held mouse button going down or up.
  void SendMouseAction(const ButtonMapping& mapping);
  Delivery SendHeldMouse(size_t index, bool up);
  // The pointer of a record stops: no move is carried over to its next push.
  void StopPointer(int record);
  struct PointerRuntime {
    int64_t lastUs = -1;  // the last move, -1 while the sticks rest
    MotionRemainder pointer;
    MotionRemainder scroll;
  };
  bool StickActive(int record) const;
  FileOps& Files() const;

  DocContext context_;
  ForegroundCheck foreground_;
  DeliveryReports reports_;
  bool discoveryOpen_ = false;
  std::vector<HeldMapping> held_;
  std::vector<RepeatingMapping> repeating_;
  // The sequence being typed (first) and those waiting after it.
  struct TypingSequence {
    int record;
    int button;
    KeySequence sequence;
    int next;  // the step typed next
    int64_t dueMs;
  };
  std::vector<TypingSequence> typing_;
  // Presses of mappings with a long press that have not reached its time.
  struct PendingPress {
    int record;
    int button;
    int64_t dueMs;
  };
  std::vector<PendingPress> pressing_;
  int64_t nowMs_ = 0;
  PointerRuntime pointerRuntime_[kMaxRecords];
  int pointerDpi_ = 96;
};

void GetKeyName(uint8_t virtualKey, char* buffer);  // at least 13 bytes
// "Ctrl+Alt+F1": a keystroke in the short form of the list's cells; buffer: kKeyTextSize bytes.
void FormatKeyStroke(const KeyStroke& stroke, char* buffer);
void FormatOutputText(const DeviceRecord& record, const ButtonMapping& m, char* buffer);
// "Ctrl + Alt + Shift + F1": the mapping's key with its modifiers; empty when it is unassigned.
void FormatKeyText(const ButtonMapping& mapping, char* buffer);  // kKeyTextSize bytes

}  // namespace tarvel
