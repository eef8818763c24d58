// The target window dialog (the list of open windows, its sort and preselection, a click copying
// a class into the edit), the description dialog, with the 63-character limit of both, the
// action dialog, and the dialogs of the per-program configurations.
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "model/FileOps.h"
#include "res/resource.h"
#include "tests/shell/EditingSupport.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/ActionDlg.h"
#include "ui/DescriptionDlg.h"
#include "ui/PointerDlg.h"
#include "ui/ProfileRuleDlg.h"
#include "ui/ProfilesDlg.h"
#include "ui/TargetWindowDlg.h"

namespace tarvel::test {
namespace {

constexpr const char* kTargetCaption = "Select Target Window Class for Key Mapping";
constexpr const char* kDescriptionCaption = "Enter Key Mapping Description";
constexpr const char* kLengthMessage = "Please enter no more than 63 characters.";

// A top-level window of a class of its own, hidden unless asked.
class TopWindow {
 public:
  TopWindow(const std::string& className, const std::string& title, bool visible = false) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className.c_str();
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, className.c_str(), title.c_str(),
                              WS_OVERLAPPED | (visible ? WS_VISIBLE : 0), 0, 0, 50, 50, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~TopWindow() { DestroyWindow(window_); }
  HWND Handle() const { return window_; }

 private:
  HWND window_ = nullptr;
};

struct ListedRow {
  std::string windowClass;
  std::string title;
  LPARAM key;
  bool selected;
};

std::vector<ListedRow> ReadRows(HWND list) {
  std::vector<ListedRow> rows;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM | LVIF_STATE;
    item.iItem = i;
    item.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    rows.push_back({CellText(list, i, 0), CellText(list, i, 1), item.lParam,
                    (item.state & LVIS_SELECTED) != 0});
  }
  return rows;
}

int RowOf(const std::vector<ListedRow>& rows, const std::string& windowClass) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].windowClass == windowClass) return static_cast<int>(i);
  return -1;
}

std::string EditText(HWND dialog, int id) {
  char text[256] = {};
  GetDlgItemTextA(dialog, id, text, sizeof(text));
  return text;
}

TEST(TargetWindowDialog, ClassKeysAreTheFirstFourBytesAsASignedNumber) {
  struct Case {
    const char* name;
    int32_t key;
  };
  const Case cases[] = {
      {"Butt", 0x42757474},
      {"Button", 0x42757474},
      {"AB", 0x41420000},
      {"A", 0x41000000},
      {"", 0},
      {"#32770", 0x23333237},
      {"\x80zz", static_cast<int32_t>(0x807A7A00u)},
      {"\xFF\xFF\xFF\xFF", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CTargetWindowDlg::ClassKey(c.name), c.key);
  }
  struct Order {
    int32_t a;
    int32_t b;
    int result;
  };
  const Order orders[] = {{1, 2, -1}, {2, 1, 1}, {5, 5, 0}, {-1, 1, -1}, {0x7FFFFFFF, -1, 1}};
  for (const Order& o : orders)
    EXPECT_EQ(CTargetWindowDlg::CompareClassKeys(o.a, o.b, 0), o.result) << o.a << " " << o.b;
}

TEST(TargetWindowDialog, ListsTheOpenWindowsSortedByClassKey) {
  const std::string longClass = "TarvelLong" + std::string(120, 'c');
  const std::string longTitle = std::string(140, 't');
  TopWindow a("TarvelTargetA", "Target A");
  TopWindow b("TarvelTargetB", "Target B", true);
  TopWindow untitled("TarvelUntitled", "");
  TopWindow long_(longClass, longTitle);
  TopWindow early("AAAATarvelEarly", "Early");

  CTargetWindowDlg dialog;
  dialog.m_selection = "tarveltargetb";  // other letter case
  std::vector<ListedRow> rows;
  std::string edit;
  int listWidth = 0;
  int columnWidths[2] = {};
  bool bSeen = false;
  WindowWatch watch(DialogCalled(kTargetCaption), [&](HWND window) {
    HWND list = GetDlgItem(window, IDC_WINDOW_LIST);
    rows = ReadRows(list);
    edit = EditText(window, IDC_SELECTION);
    RECT client = {};
    GetClientRect(list, &client);
    listWidth = client.right;
    columnWidths[0] = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
    columnWidths[1] = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0));
    // The preselected row is scrolled into view.
    const int row = SelectedRow(list);
    RECT rect = {};
    rect.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    bSeen = rect.top >= 0 && rect.bottom <= client.bottom;
    ClickButton(window, IDCANCEL);
  });
  EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
  ASSERT_TRUE(watch.Fired());

  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].windowClass, CTargetWindowDlg::kNoneRow);
  EXPECT_EQ(rows[0].title, "");
  EXPECT_EQ(rows[0].key, 0);
  for (size_t i = 1; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].windowClass);
    EXPECT_EQ(static_cast<int32_t>(rows[i].key),
              CTargetWindowDlg::ClassKey(rows[i].windowClass.c_str()));
    EXPECT_LE(static_cast<int32_t>(rows[i - 1].key), static_cast<int32_t>(rows[i].key));
    EXPECT_FALSE(rows[i].title.empty());
    EXPECT_LE(rows[i].windowClass.size(), 126u);
    EXPECT_LE(rows[i].title.size(), 126u);
  }
  EXPECT_LT(RowOf(rows, "AAAATarvelEarly"), RowOf(rows, "TarvelTargetA"));
  const int rowA = RowOf(rows, "TarvelTargetA");
  const int rowB = RowOf(rows, "TarvelTargetB");
  ASSERT_GE(rowA, 0);
  ASSERT_GE(rowB, 0);
  // Hidden windows are listed too; windows without a title are not.
  EXPECT_EQ(rows[rowA].title, "Target A");
  EXPECT_EQ(RowOf(rows, "TarvelUntitled"), -1);
  // Long names are cut to 126 characters.
  const int rowLong = RowOf(rows, longClass.substr(0, 126));
  ASSERT_GE(rowLong, 0);
  EXPECT_EQ(rows[rowLong].title, longTitle.substr(0, 126));
  // The dialog itself is listed.
  EXPECT_GE(RowOf(rows, "#32770"), 0);

  // The class is found whatever its letter case; the edit keeps the text as it was given.
  for (size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(rows[i].selected, static_cast<int>(i) == rowB) << rows[i].windowClass;
  EXPECT_EQ(edit, "tarveltargetb");
  EXPECT_TRUE(bSeen);
  EXPECT_EQ(columnWidths[0], 180);
  EXPECT_EQ(columnWidths[1], listWidth - 200);
}

TEST(TargetWindowDialog, PreselectsTheNoneRowForNoClassAndNothingForAnUnknownOne) {
  struct Case {
    const char* selection;
    bool noneSelected;
  };
  for (const Case& c : {Case{"", true}, Case{"NoWindowHasThisClass", false}}) {
    SCOPED_TRACE(c.selection);
    CTargetWindowDlg dialog;
    dialog.m_selection = c.selection;
    std::vector<ListedRow> rows;
    COLORREF shown = CLR_INVALID;
    WindowWatch watch(DialogCalled(kTargetCaption), [&](HWND window) {
      const HWND list = GetDlgItem(window, IDC_WINDOW_LIST);
      rows = ReadRows(list);
      // While the focus is in the edit, the preselected row shows in the selection's colour,
      // not in the pale grey of an unfocused list.
      SetFocus(GetDlgItem(window, IDC_SELECTION));
      RECT row = {};
      row.left = LVIR_LABEL;
      SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
      {
        MemoryCanvas canvas(list);
        SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()),
                     PRF_CLIENT | PRF_ERASEBKGND);
        shown = canvas.At(row.left + 1, (row.top + row.bottom) / 2);
      }
      ClickButton(window, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(shown, c.noneSelected ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_WINDOW));
    ASSERT_FALSE(rows.empty());
    int selected = 0;
    for (const ListedRow& row : rows) selected += row.selected ? 1 : 0;
    EXPECT_EQ(selected, c.noneSelected ? 1 : 0);
    EXPECT_EQ(rows[0].selected, c.noneSelected);
    // OK keeps what the edit showed.
    EXPECT_EQ(dialog.m_selection, c.selection);
  }
}

TEST(TargetWindowDialog, AClickCopiesTheRowsClassIntoTheEdit) {
  TopWindow target("TarvelClickTarget", "Click me");
  CTargetWindowDlg dialog;
  dialog.m_selection = "Previous";
  std::vector<std::string> edits;
  WindowWatch watch(DialogCalled(kTargetCaption), [&](HWND window) {
    HWND list = GetDlgItem(window, IDC_WINDOW_LIST);
    const int row = RowOf(ReadRows(list), "TarvelClickTarget");
    SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
    auto click = [&](POINT point) {
      PostLeftClick(list, point);
      MSG msg = {};
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      edits.push_back(EditText(window, IDC_SELECTION));
    };
    click(CellCentre(list, row, 0));
    SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
    click(CellCentre(list, 0, 0));  // the "none" row
    const int last = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) - 1;
    SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
    click(CellCentre(list, row, 0));
    // A click beside the class (no row hit) leaves no row selected.
    SendMessageA(list, LVM_ENSUREVISIBLE, last, FALSE);
    const POINT beside = CellCentre(list, last, 1);
    click(POINT{beside.x, beside.y});
    SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
    click(CellCentre(list, row, 0));
    // A keyboard move of the selection leaves the edit alone.
    SendMessageA(list, WM_KEYDOWN, VK_HOME, 0);
    edits.push_back(EditText(window, IDC_SELECTION));
    ClickButton(window, IDOK);
  });
  EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
  const std::vector<std::string> expected = {
      "TarvelClickTarget", "", "TarvelClickTarget", "", "TarvelClickTarget", "TarvelClickTarget"};
  EXPECT_EQ(edits, expected);
  EXPECT_EQ(dialog.m_selection, "TarvelClickTarget");
}

// Sets the edit's text, presses OK and answers the length message if it comes.
struct LengthCheck {
  std::string messageSeen;
  bool stayedOpen = false;
};

LengthCheck TryOk(HWND dialog, int editId, const std::string& text) {
  LengthCheck check;
  SetDlgItemTextA(dialog, editId, text.c_str());
  // The message carries the program's name, as its other messages do.
  WindowWatch message(DialogCalled("Tarvel"), [&](HWND box) {
    check.messageSeen = EditText(box, 0xFFFF);
    SendMessageA(box, WM_COMMAND, IDOK, 0);
  });
  ClickButton(dialog, IDOK);
  check.stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
  return check;
}

TEST(TextDialogs, BothFieldsTakeAtMost63Characters) {
  const std::string sixtyThree(63, 'k');
  const std::string seventy(70, 'k');
  struct Case {
    const char* caption;
    int editId;
  };
  for (const Case& c :
       {Case{kTargetCaption, IDC_SELECTION}, Case{kDescriptionCaption, IDC_DESCRIPTION}}) {
    SCOPED_TRACE(c.caption);
    CTargetWindowDlg target;
    CDescriptionDlg description;
    int limit = 0;
    std::string typed;
    LengthCheck tooLong;
    LengthCheck fits;
    WindowWatch watch(DialogCalled(c.caption), [&](HWND window) {
      HWND edit = GetDlgItem(window, c.editId);
      limit = static_cast<int>(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
      // Typing stops at the limit.
      SetWindowTextA(edit, "");
      for (int i = 0; i < 70; ++i) SendMessageA(edit, WM_CHAR, 'x', 1);
      typed = EditText(window, c.editId);
      tooLong = TryOk(window, c.editId, seventy);
      fits = TryOk(window, c.editId, sixtyThree);
    });
    const INT_PTR result =
        c.editId == IDC_SELECTION ? target.DoModal(nullptr) : description.DoModal(nullptr);
    ASSERT_TRUE(watch.Fired());
    EXPECT_EQ(limit, 63);
    EXPECT_EQ(typed, std::string(63, 'x'));
    EXPECT_EQ(tooLong.messageSeen, kLengthMessage);
    EXPECT_TRUE(tooLong.stayedOpen);
    EXPECT_EQ(fits.messageSeen, "");
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(c.editId == IDC_SELECTION ? target.m_selection : description.m_description,
              sixtyThree);
  }
}

TEST(TextDialogs, DescriptionShowsTheCurrentTextAndCancelKeepsIt) {
  CDescriptionDlg dialog;
  dialog.m_description = "Jump";
  std::string shown;
  WindowWatch watch(DialogCalled(kDescriptionCaption), [&](HWND window) {
    shown = EditText(window, IDC_DESCRIPTION);
    SetDlgItemTextA(window, IDC_DESCRIPTION, "Duck");
    ClickButton(window, IDCANCEL);
  });
  EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
  EXPECT_EQ(shown, "Jump");
  EXPECT_EQ(dialog.m_description, "Jump");
}

TEST(ActionDialog, ShowsTheActionAsksForARateOnlyForTurboAndRefusesARateOutOfRange) {
  struct Case {
    const char* what;
    KeyAction action;
    int rate;
    int choose;         // radio button clicked
    const char* typed;  // the rate, when not null
    KeyAction chosen;
    int chosenRate;
    bool refused;  // a rate outside 1-50: a message, and the dialog stays until Cancel
  };
  const Case cases[] = {
      {"tap to hold", KeyAction::Tap, 10, IDC_ACTION_HOLD, nullptr, KeyAction::Hold, 10, false},
      {"hold to turbo at 1", KeyAction::Hold, 10, IDC_ACTION_TURBO, "1", KeyAction::Turbo, 1,
       false},
      {"turbo at 50", KeyAction::Turbo, 7, IDC_ACTION_TURBO, "50", KeyAction::Turbo, 50, false},
      {"turbo back to tap", KeyAction::Turbo, 7, IDC_ACTION_TAP, "99", KeyAction::Tap, 7, false},
      {"rate 0", KeyAction::Turbo, 7, IDC_ACTION_TURBO, "0", KeyAction::Turbo, 7, true},
      {"rate 51", KeyAction::Tap, 10, IDC_ACTION_TURBO, "51", KeyAction::Tap, 10, true},
      {"no rate", KeyAction::Tap, 10, IDC_ACTION_TURBO, "", KeyAction::Tap, 10, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CActionDlg dialog;
    dialog.m_action = c.action;
    dialog.m_turboRate = c.rate;
    int checked = 0;
    bool rateEnabledBefore = false;
    bool rateEnabledAfter = false;
    std::string shownRate;
    LengthCheck tried;
    WindowWatch watch(DialogCalled("Key Mapping Action"), [&](HWND window) {
      for (int id : {IDC_ACTION_TAP, IDC_ACTION_HOLD, IDC_ACTION_TURBO})
        if (IsDlgButtonChecked(window, id) == BST_CHECKED) checked = id;
      shownRate = EditText(window, IDC_TURBO_RATE);
      rateEnabledBefore = IsWindowEnabled(GetDlgItem(window, IDC_TURBO_RATE));
      SendMessageA(GetDlgItem(window, c.choose), BM_CLICK, 0, 0);  // as a click: checks it
      rateEnabledAfter = IsWindowEnabled(GetDlgItem(window, IDC_TURBO_RATE));
      if (c.typed != nullptr) SetDlgItemTextA(window, IDC_TURBO_RATE, c.typed);
      tried = TryOk(window, IDC_TURBO_RATE, c.typed != nullptr ? c.typed : shownRate);
      if (tried.stayedOpen) ClickButton(window, IDCANCEL);
    });
    const INT_PTR result = dialog.DoModal(nullptr);
    ASSERT_TRUE(watch.Fired());
    const int shownButton[] = {IDC_ACTION_TAP, IDC_ACTION_HOLD, IDC_ACTION_TURBO};
    EXPECT_EQ(checked, shownButton[static_cast<int>(c.action)]);
    EXPECT_EQ(shownRate, std::to_string(c.rate));
    EXPECT_EQ(rateEnabledBefore, c.action == KeyAction::Turbo);
    EXPECT_EQ(rateEnabledAfter, c.choose == IDC_ACTION_TURBO);
    EXPECT_EQ(tried.stayedOpen, c.refused);
    EXPECT_EQ(tried.messageSeen.empty(), !c.refused);
    EXPECT_EQ(result, c.refused ? IDCANCEL : IDOK);
    EXPECT_EQ(dialog.m_action, c.chosen);
    EXPECT_EQ(dialog.m_turboRate, c.chosenRate);
  }
}

// A key pressed in one of the dialog's key fields, with the modifiers given held.
void PressInField(HWND dialog, int id, uint8_t virtualKey, uint8_t scanCode, uint8_t modifiers) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_SHIFT] = (modifiers & kModShift) ? 0x80 : 0;
  state[VK_CONTROL] = (modifiers & kModCtrl) ? 0x80 : 0;
  state[VK_MENU] = (modifiers & kModAlt) ? 0x80 : 0;
  SetKeyboardState(state);
  SendMessageA(GetDlgItem(dialog, id), WM_KEYDOWN, virtualKey, static_cast<LPARAM>(scanCode) << 16);
  state[VK_SHIFT] = state[VK_CONTROL] = state[VK_MENU] = 0;
  SetKeyboardState(state);
}

// Ctrl+C, Tab (made Alt+Tab with its box), Ctrl+V recorded by pressing them, 50 ms apart, and F5
// on a long press of 300 ms; or a text in any language; or a value the dialog refuses.
TEST(ActionDialog, RecordsASequenceEditsItStepByStepAndTakesATextAndALongPress) {
  const struct Case {
    const char* what;
    bool text;
    const char* gap;
    const char* longMs;  // null: no long press
    bool longKey;
    RowOutputResult applied;
    const char* refusal;  // the start of the message, or null when OK closes the dialog
  } cases[] = {
      {"sequence", false, "50", "300", true, RowOutputResult::Done, nullptr},
      {"text", true, "0", nullptr, false, RowOutputResult::Done, nullptr},
      {"gap 1001", false, "1001", nullptr, false, RowOutputResult::Done, "Please enter a gap"},
      {"long 99", false, "0", "99", true, RowOutputResult::Done, "Please enter a long press"},
      {"long 2001", false, "0", "2001", true, RowOutputResult::Done, "Please enter a long press"},
      {"long without key", false, "0", "300", false, RowOutputResult::Done, "Please press the key"},
      {"pool full", false, "0", nullptr, false, RowOutputResult::SequencesFull,
       "This controller's rows already type 32 sequences"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CActionDlg dialog;
    int applies = 0;
    dialog.m_apply = [&](const RowOutput&) {
      ++applies;
      return c.applied;
    };
    std::string shown;
    bool holdOffered = true;
    LengthCheck tried;
    WindowWatch watch(DialogCalled("Key Mapping Action"), [&](HWND window) {
      if (c.text) {
        SendMessageA(GetDlgItem(window, IDC_TYPES_TEXT), BM_CLICK, 0, 0);
        SetWindowTextW(GetDlgItem(window, IDC_TEXT_EDIT), L"Gr\u00FC\u00DFe \u0416\r\nok");
      } else {
        PressInField(window, IDC_SEQUENCE_KEY, 'C', 0x2E, kModCtrl);
        PressInField(window, IDC_SEQUENCE_KEY, VK_TAB, 0x0F, 0);
        SendMessageA(GetDlgItem(window, IDC_STEP_ALT), BM_CLICK, 0, 0);
        PressInField(window, IDC_SEQUENCE_KEY, 'V', 0x2F, kModCtrl);
        shown = EditText(window, IDC_SEQUENCE_KEY);
      }
      holdOffered = IsWindowEnabled(GetDlgItem(window, IDC_ACTION_HOLD));
      if (c.longMs != nullptr) {
        SendMessageA(GetDlgItem(window, IDC_LONG_PRESS), BM_CLICK, 0, 0);
        SetDlgItemTextA(window, IDC_LONG_MS, c.longMs);
        if (c.longKey) PressInField(window, IDC_LONG_KEY, VK_F5, 0x3F, 0);
      }
      tried = TryOk(window, IDC_SEQUENCE_GAP, c.gap);
      if (tried.stayedOpen) ClickButton(window, IDCANCEL);
    });
    const INT_PTR result = dialog.DoModal(nullptr);
    ASSERT_TRUE(watch.Fired());
    EXPECT_FALSE(holdOffered) << "Hold is not offered for a sequence or a text";
    EXPECT_EQ(tried.stayedOpen, c.refusal != nullptr);
    EXPECT_EQ(tried.messageSeen.rfind(c.refusal ? c.refusal : "", 0), 0u) << tried.messageSeen;
    EXPECT_EQ(applies, c.refusal == nullptr || c.applied != RowOutputResult::Done ? 1 : 0);
    if (c.refusal != nullptr) {
      EXPECT_EQ(result, IDCANCEL);
      continue;
    }
    const RowOutput& out = dialog.m_output;
    if (c.text) {
      EXPECT_TRUE(out.typesText);
      EXPECT_EQ(out.text,
                "Gr\xC3\xBC\xC3\x9F"
                "e \xD0\x96\nok");
      continue;
    }
    EXPECT_EQ(shown, "Ctrl+C, Alt+Tab, Ctrl+V");
    ASSERT_EQ(out.stepCount, 3);
    EXPECT_EQ(out.steps[0], (KeyStroke{'C', 0x2E, kModCtrl}));
    EXPECT_EQ(out.steps[1], (KeyStroke{VK_TAB, 0x0F, kModAlt}));
    EXPECT_EQ(out.steps[2], (KeyStroke{'V', 0x2F, kModCtrl}));
    EXPECT_EQ(out.gapMs, 50);
    EXPECT_EQ(out.longPressMs, 300);
    EXPECT_EQ(out.longKey, (KeyStroke{VK_F5, 0x3F, 0}));
    EXPECT_EQ(out.action, KeyAction::Tap);
  }
}

// Rules that Add and Edit are answered with, in turn; none left: the rule dialog is cancelled.
class ScriptedProfilesDlg final : public CProfilesDlg {
 public:
  std::vector<ProfileRule> answers;
  std::vector<std::string> asked;  // the program of the rule each call was given
  bool EditRule(ProfileRule* rule) override {
    asked.push_back(rule->program);
    if (answers.empty()) return false;
    *rule = answers.front();
    answers.erase(answers.begin());
    return true;
  }
};

std::string WideCellText(HWND list, int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return Utf8Text(text);
}

const char* const kCyrillicPath = "C:\\\xd0\x9f\xd1\x80\xd0\xbe\\y.tvm";

TEST(ProfilesDialog, RulesAreAddedEditedRemovedAndMovedAndOkGivesThemInOrder) {
  ScriptedProfilesDlg dialog;
  dialog.m_settings.rules = {
      {"a.exe", "", "C:\\a.tvm"}, {"b.exe", "", "C:\\b.tvm"}, {"c.exe", "", "C:\\c.tvm"}};
  dialog.m_settings.otherwise = "C:\\d.tvm";
  dialog.m_settings.problems = {"Rule4: missing"};
  dialog.answers = {{"x.exe", "", "C:\\x.tvm"}, {"y.exe", "T*", kCyrillicPath}};
  struct Step {
    int select;  // -1: no row selected
    int button;
    bool enabled;  // the button could be pressed
    std::vector<std::string> programs;
  };
  const Step steps[] = {
      {1, IDC_PROFILE_UP, true, {"b.exe", "a.exe", "c.exe"}},
      {0, IDC_PROFILE_UP, false, {"b.exe", "a.exe", "c.exe"}},
      {2, IDC_PROFILE_DOWN, false, {"b.exe", "a.exe", "c.exe"}},
      {0, IDC_PROFILE_DOWN, true, {"a.exe", "b.exe", "c.exe"}},
      {0, IDC_PROFILE_REMOVE, true, {"b.exe", "c.exe"}},
      {0, IDC_PROFILE_ADD, true, {"b.exe", "x.exe", "c.exe"}},
      {2, IDC_PROFILE_EDIT, true, {"b.exe", "x.exe", "y.exe"}},
      {-1, IDC_PROFILE_EDIT, false, {"b.exe", "x.exe", "y.exe"}},
      {-1, IDC_PROFILE_ADD, true, {"b.exe", "x.exe", "y.exe"}},  // cancelled
  };
  std::string problems;
  std::string shownDefault;
  std::string cyrillicCell;
  bool defaultEditable = false;
  std::vector<std::vector<std::string>> seen;
  std::vector<bool> enabled;
  WindowWatch watch(DialogCalled("Profiles"), [&](HWND window) {
    problems = EditText(window, IDC_PROFILE_PROBLEMS);
    shownDefault = EditText(window, IDC_PROFILE_DEFAULT_PATH);
    defaultEditable = IsWindowEnabled(GetDlgItem(window, IDC_PROFILE_DEFAULT_PATH)) != FALSE;
    HWND list = GetDlgItem(window, IDC_PROFILE_LIST);
    for (const Step& step : steps) {
      dialog.Select(step.select);
      enabled.push_back(IsButtonEnabled(window, step.button));
      ClickButton(window, step.button);
      std::vector<std::string> programs;
      for (int row = 0; row < ListView_GetItemCount(list); ++row)
        programs.push_back(CellText(list, row, 0));
      seen.push_back(programs);
    }
    cyrillicCell = WideCellText(list, 2, 2);
    CheckDlgButton(window, IDC_PROFILES_ENABLED, BST_UNCHECKED);
    SendMessageA(GetDlgItem(window, IDC_PROFILE_KEEP), BM_CLICK, 0, 0);
    ClickButton(window, IDOK);
  });
  ASSERT_EQ(dialog.DoModal(nullptr), IDOK);
  ASSERT_TRUE(watch.Fired());
  EXPECT_NE(problems.find("Rule4: missing"), std::string::npos) << problems;
  EXPECT_EQ(shownDefault, "C:\\d.tvm");
  EXPECT_TRUE(defaultEditable);
  for (size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_EQ(seen[i], steps[i].programs) << "step " << i;
    EXPECT_EQ(enabled[i], steps[i].enabled) << "step " << i;
  }
  EXPECT_EQ(dialog.asked, (std::vector<std::string>{"", "c.exe", ""}));
  EXPECT_EQ(cyrillicCell, kCyrillicPath);
  EXPECT_FALSE(dialog.m_settings.enabled);
  EXPECT_EQ(dialog.m_settings.otherwise, "");
  EXPECT_TRUE(dialog.m_settings.problems.empty());
  ASSERT_EQ(dialog.m_settings.rules.size(), 3u);
  EXPECT_EQ(dialog.m_settings.rules[2].title, "T*");
  EXPECT_EQ(dialog.m_settings.rules[2].path, kCyrillicPath);
}

TEST(ProfilesDialog, ADefaultFileIsNeededToSwitchToOneAndARuleNeedsProgramAndFile) {
  CProfilesDlg profiles;
  LengthCheck empty;
  LengthCheck named;
  WindowWatch watch(DialogCalled("Profiles"), [&](HWND window) {
    SendMessageA(GetDlgItem(window, IDC_PROFILE_DEFAULT), BM_CLICK, 0, 0);
    empty = TryOk(window, IDC_PROFILE_DEFAULT_PATH, "");
    named = TryOk(window, IDC_PROFILE_DEFAULT_PATH, "C:\\default.tvm");
  });
  ASSERT_EQ(profiles.DoModal(nullptr), IDOK);
  EXPECT_TRUE(empty.stayedOpen);
  EXPECT_FALSE(empty.messageSeen.empty());
  EXPECT_FALSE(named.stayedOpen);
  EXPECT_EQ(profiles.m_settings.otherwise, "C:\\default.tvm");
  EXPECT_TRUE(profiles.m_settings.enabled);

  CProfileRuleDlg rule;
  rule.m_rule = {"old.exe", "Old", "C:\\old.tvm"};
  std::string shownTitle;
  LengthCheck noProgram;
  LengthCheck noFile;
  LengthCheck whole;
  WindowWatch ruleWatch(DialogCalled("Profile Rule"), [&](HWND window) {
    shownTitle = EditText(window, IDC_RULE_TITLE);
    noProgram = TryOk(window, IDC_RULE_PROGRAM, "");
    SetDlgItemTextA(window, IDC_RULE_PROGRAM, "racing.exe");
    noFile = TryOk(window, IDC_RULE_PATH, "");
    SetDlgItemTextW(window, IDC_RULE_PATH, WideText(kCyrillicPath).c_str());
    SetDlgItemTextA(window, IDC_RULE_TITLE, "");
    ClickButton(window, IDOK);
    whole.stayedOpen = IsWindow(window) && IsWindowVisible(window);
  });
  ASSERT_EQ(rule.DoModal(nullptr), IDOK);
  EXPECT_EQ(shownTitle, "Old");
  EXPECT_TRUE(noProgram.stayedOpen);
  EXPECT_TRUE(noFile.stayedOpen);
  EXPECT_FALSE(noFile.messageSeen.empty());
  EXPECT_FALSE(whole.stayedOpen);
  EXPECT_EQ(rule.m_rule.program, "racing.exe");
  EXPECT_EQ(rule.m_rule.title, "");
  EXPECT_EQ(rule.m_rule.path, kCyrillicPath);
}

}  // namespace
}  // namespace tarvel::test

namespace tarvel::test {
namespace {

// Keyboard or mouse: the row's mouse action and its modifiers are shown, chosen and read back;
// the mouse's controls are live only for the mouse.
TEST(ActionDialog, ChoosesTheKeyboardOrAMouseActionWithItsModifiers) {
  struct Case {
    const char* what;
    MouseAction mouse;
    uint8_t modifiers;
    int choose;  // IDC_TYPES_KEYS or IDC_OUTPUT_MOUSE
    int pick;    // list index chosen, -1: as shown
    int tick;    // a modifier box clicked, 0: none
    MouseAction chosen;
    uint8_t chosenModifiers;
  };
  const Case cases[] = {
      {"key stays key", MouseAction::None, 0, IDC_TYPES_KEYS, -1, 0, MouseAction::None, 0},
      {"key to Left Click", MouseAction::None, 0, IDC_OUTPUT_MOUSE, -1, 0, MouseAction::LeftClick,
       0},
      {"key to Ctrl+Wheel Up", MouseAction::None, 0, IDC_OUTPUT_MOUSE, 5, IDC_MOUSE_CTRL,
       MouseAction::WheelUp, kModCtrl},
      {"Forward with Shift kept, Alt added", MouseAction::Forward, kModShift, IDC_OUTPUT_MOUSE, -1,
       IDC_MOUSE_ALT, MouseAction::Forward, kModShift | kModAlt},
      {"Wheel Right back to the key", MouseAction::WheelRight, kModCtrl, IDC_TYPES_KEYS, -1, 0,
       MouseAction::None, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CActionDlg dialog;
    dialog.m_mouse = c.mouse;
    dialog.m_mouseModifiers = c.modifiers;
    int shownIndex = -2;
    int shownCount = 0;
    bool mouseChecked = false;
    bool listEnabledBefore = false;
    bool listEnabledAfter = false;
    bool shiftShown = false;
    WindowWatch watch(DialogCalled("Key Mapping Action"), [&](HWND window) {
      HWND list = GetDlgItem(window, IDC_MOUSE_ACTION);
      shownIndex = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
      shownCount = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
      mouseChecked = IsDlgButtonChecked(window, IDC_OUTPUT_MOUSE) == BST_CHECKED;
      shiftShown = IsDlgButtonChecked(window, IDC_MOUSE_SHIFT) == BST_CHECKED;
      listEnabledBefore = IsWindowEnabled(list);
      SendMessageA(GetDlgItem(window, c.choose), BM_CLICK, 0, 0);
      listEnabledAfter = IsWindowEnabled(list);
      if (c.pick >= 0) SendMessageA(list, CB_SETCURSEL, c.pick, 0);
      if (c.tick != 0) SendMessageA(GetDlgItem(window, c.tick), BM_CLICK, 0, 0);
      ClickButton(window, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    ASSERT_TRUE(watch.Fired());
    EXPECT_EQ(shownCount, kMouseActionCount - 1);
    EXPECT_EQ(shownIndex, c.mouse == MouseAction::None ? 0 : static_cast<int>(c.mouse) - 1);
    EXPECT_EQ(mouseChecked, c.mouse != MouseAction::None);
    EXPECT_EQ(shiftShown, (c.modifiers & kModShift) != 0);
    EXPECT_EQ(listEnabledBefore, c.mouse != MouseAction::None);
    EXPECT_EQ(listEnabledAfter, c.choose == IDC_OUTPUT_MOUSE);
    EXPECT_EQ(dialog.m_mouse, c.chosen);
    EXPECT_EQ(dialog.m_mouseModifiers, c.chosenModifiers);
  }
}

// The Pointer dialog shows a controller's sticks and reads them back; a speed or a dead zone
// out of range is refused with a message and the dialog stays.
TEST(PointerDialog, ShowsAndReadsTheSticksAndRefusesValuesOutOfRange) {
  struct Case {
    const char* what;
    int pointerPick;
    const char* speed;
    const char* deadZone;
    int scrollPick;
    const char* scrollDeadZone;
    bool refused;
  };
  const Case cases[] = {
      {"right stick at 1500, left stick scrolls", 2, "1500", "20", 1, "10", false},
      {"none at all", 0, "100", "0", 0, "90", false},
      {"speed 99", 2, "99", "15", 0, "15", true},
      {"speed 5001", 2, "5001", "15", 0, "15", true},
      {"dead zone 91", 3, "1200", "91", 0, "15", true},
      {"scroll dead zone empty", 3, "1200", "15", 1, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CPointerDlg dialog;
    dialog.m_deviceName = "Pad One";
    dialog.m_pointer = PointerSettings{StickPair::ZRz, 700, 25};
    std::string shown[4];
    int shownPair = -1;
    LengthCheck tried;
    WindowWatch watch(DialogCalled("Pointer"), [&](HWND window) {
      shown[0] = EditText(window, IDC_POINTER_DEVICE);
      shown[1] = EditText(window, IDC_POINTER_SPEED);
      shown[2] = EditText(window, IDC_POINTER_DEAD_ZONE);
      shown[3] = EditText(window, IDC_SCROLL_DEAD_ZONE);
      shownPair =
          static_cast<int>(SendDlgItemMessageA(window, IDC_POINTER_STICK, CB_GETCURSEL, 0, 0));
      SendDlgItemMessageA(window, IDC_POINTER_STICK, CB_SETCURSEL, c.pointerPick, 0);
      SendDlgItemMessageA(window, IDC_SCROLL_STICK, CB_SETCURSEL, c.scrollPick, 0);
      SetDlgItemTextA(window, IDC_POINTER_SPEED, c.speed);
      SetDlgItemTextA(window, IDC_POINTER_DEAD_ZONE, c.deadZone);
      tried = TryOk(window, IDC_SCROLL_DEAD_ZONE, c.scrollDeadZone);
      if (tried.stayedOpen) ClickButton(window, IDCANCEL);
    });
    const INT_PTR result = dialog.DoModal(nullptr);
    ASSERT_TRUE(watch.Fired());
    EXPECT_EQ(shown[0], "Pad One");
    EXPECT_EQ(shown[1], "700");
    EXPECT_EQ(shown[2], "25");
    EXPECT_EQ(shown[3], "15");
    EXPECT_EQ(shownPair, static_cast<int>(StickPair::ZRz));
    EXPECT_EQ(tried.stayedOpen, c.refused);
    EXPECT_EQ(tried.messageSeen.empty(), !c.refused);
    EXPECT_EQ(result, c.refused ? IDCANCEL : IDOK);
    if (c.refused) {
      EXPECT_EQ(dialog.m_pointer.speed, 700);
      continue;
    }
    EXPECT_EQ(static_cast<int>(dialog.m_pointer.pair), c.pointerPick);
    EXPECT_EQ(dialog.m_pointer.speed, std::atoi(c.speed));
    EXPECT_EQ(dialog.m_pointer.deadZone, std::atoi(c.deadZone));
    EXPECT_EQ(static_cast<int>(dialog.m_scroll.pair), c.scrollPick);
    EXPECT_EQ(dialog.m_scroll.deadZone, std::atoi(c.scrollDeadZone));
  }
}

}  // namespace
}  // namespace tarvel::test
