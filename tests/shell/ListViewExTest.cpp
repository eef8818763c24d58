// The owner-drawn full-row list: shortening texts with "...", the band of a selected row, the
// colours, icons, justification and focus rectangle that its rows are drawn with.
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/ListViewEx.h"

namespace tarvel::test {
namespace {

constexpr COLORREF kSelection = RGB(224, 224, 224);
constexpr int kListId = 100;
constexpr int kClientWidth = 600;

class TestList final : public CListViewEx {
 public:
  explicit TestList(bool showSelectionAlways) : showSelectionAlways_(showSelectionAlways) {}

 protected:
  void PreCreateWindow(DWORD& style, DWORD& exStyle) override {
    if (showSelectionAlways_) style |= LVS_SHOWSELALWAYS;
    style |= LVS_SHAREIMAGELISTS;  // the host destroys its image list
    CListViewEx::PreCreateWindow(style, exStyle);
  }

 private:
  bool showSelectionAlways_;
};

TestList* hosted = nullptr;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (message == WM_DRAWITEM && hosted != nullptr &&
      hosted->OnReflectedMessage(message, wParam, lParam, &result))
    return result;
  return DefWindowProcA(window, message, wParam, lParam);
}

// A top-level window that hands the list's WM_DRAWITEM back to it, as the main frame does; the
// list fills it. Columns: "Name" (left, 120), "Right" (right-aligned, 150), "Centre" (centred,
// 150), "Empty" (left, 100): 520 pixels, less than the client width.
class ListHost {
 public:
  explicit ListHost(bool showSelectionAlways = true) : list(showSelectionAlways) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TarvelListHost";
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&windowClass);
    hosted = &list;
    RECT frame = {0, 0, kClientWidth, 200};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_VISIBLE, FALSE, 0);
    host = CreateWindowExA(0, "TarvelListHost", "List host", WS_POPUP | WS_VISIBLE, 20, 20,
                           frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    list.Create(host, kListId);
    RECT client = {};
    GetClientRect(host, &client);
    SetWindowPos(list.Handle(), nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER);
    images = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_ROW_IMAGES_SMALL),
                                  16, 1, RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    SendMessageA(list.Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    AddColumn(0, "Name", LVCFMT_LEFT, 120);
    AddColumn(1, "Right", LVCFMT_RIGHT, 150);
    AddColumn(2, "Centre", LVCFMT_CENTER, 150);
    AddColumn(3, "Empty", LVCFMT_LEFT, 100);
  }
  ~ListHost() {
    hosted = nullptr;
    DestroyWindow(host);
    ImageList_Destroy(images);
  }

  void AddColumn(int index, const char* title, int format, int width) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<char*>(title);
    column.iSubItem = index;
    SendMessageA(list.Handle(), LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
  }
  void AddRow(int row, const char* name, const char* right, const char* centre, int image) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = const_cast<char*>(name);
    item.iImage = image;
    SendMessageA(list.Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    SetText(row, 1, right);
    SetText(row, 2, centre);
  }
  void SetText(int row, int column, const char* text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list.Handle(), LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  }
  void SetState(int row, UINT state, UINT mask) {
    LVITEMA item = {};
    item.state = state;
    item.stateMask = mask;
    SendMessageA(list.Handle(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  RECT ItemRect(int row, int part) {
    RECT rect = {};
    rect.left = part;
    SendMessageA(list.Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    return rect;
  }

  TestList list;
  HWND host = nullptr;
  HIMAGELIST images = nullptr;
};

// One row drawn by DrawItem into a memory bitmap of the list's client size, first filled with a
// colour that no drawing uses, so that every pixel drawn can be told apart.
class DrawnRow {
 public:
  static constexpr COLORREF kUntouched = RGB(1, 2, 3);

  DrawnRow(ListHost& host, int row) : canvas_(host.list.Handle()), dc_(canvas_.dc()) {
    HWND list = host.list.Handle();
    HBRUSH fill = CreateSolidBrush(kUntouched);
    FillRect(dc_, &canvas_.client, fill);
    DeleteObject(fill);
    SelectObject(dc_, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_LISTVIEW;
    draw.CtlID = kListId;
    draw.itemID = static_cast<UINT>(row);
    draw.itemAction = ODA_DRAWENTIRE;
    draw.hwndItem = list;
    draw.hDC = dc_;
    draw.rcItem = host.ItemRect(row, LVIR_BOUNDS);
    bounds = draw.rcItem;
    label = host.ItemRect(row, LVIR_LABEL);
    icon = host.ItemRect(row, LVIR_ICON);
    host.list.DrawItem(draw);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  int MiddleY() const { return (bounds.top + bounds.bottom) / 2; }
  // The leftmost and rightmost x in [from, to) whose pixel on any line of the row differs from
  // background; -1 when there is none.
  void InkSpan(int from, int to, COLORREF background, int* left, int* right) const {
    *left = -1;
    *right = -1;
    for (int x = from; x < to; ++x)
      for (int y = bounds.top; y < bounds.bottom; ++y)
        if (At(x, y) != background) {
          if (*left < 0) *left = x;
          *right = x;
        }
  }

  RECT bounds = {};
  RECT label = {};
  RECT icon = {};

 private:
  MemoryCanvas canvas_;
  HDC dc_;
};

// The wrapper's calls that the program uses, against what the control was given.
TEST(ListViewEx, WrapperCallsReachTheRowsCellsAndColumnsAsked) {
  ListHost host;
  host.AddRow(0, "Pad 1", "1", "A", 4);
  host.AddRow(1, "Pad 2", "2", "B", 5);
  host.AddRow(2, "Pad 2", "3", "", 4);
  const fw::ListView list = host.list.List();
  host.SetState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(list.NextItem(-1, LVNI_SELECTED), 1);
  EXPECT_EQ(list.NextItem(1, LVNI_SELECTED), -1);
  EXPECT_EQ(list.NextItem(-1, LVNI_FOCUSED), 1);
  EXPECT_TRUE(list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED));
  EXPECT_EQ(list.ItemState(2, LVIS_SELECTED | LVIS_FOCUSED), static_cast<UINT>(LVIS_SELECTED));
  EXPECT_EQ(list.NextItem(1, LVNI_SELECTED), 2);
  EXPECT_EQ(list.FindItem(-1, "Pad 2"), 1);
  EXPECT_EQ(list.FindItem(1, "Pad 2"), 2);
  EXPECT_EQ(list.FindItem(-1, "Pad 9"), -1);
  char buffer[8] = "x";
  EXPECT_STREQ(list.ItemText(1, 2, buffer, sizeof(buffer)), "B");
  EXPECT_STREQ(list.ItemText(2, 2, buffer, sizeof(buffer)), "");
  EXPECT_EQ(list.ImageList(LVSIL_SMALL), host.images);

  LVCOLUMNA column = {};
  column.mask = LVCF_FMT | LVCF_WIDTH;
  ASSERT_TRUE(list.GetColumn(1, &column));
  EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
  EXPECT_EQ(column.cx, 150);
  EXPECT_FALSE(list.GetColumn(4, &column));

  // Column 2 runs from x 270 to 420; the hit tests find the row and the cell under a point.
  RECT label = {};
  ASSERT_TRUE(list.ItemRect(1, LVIR_LABEL, &label));
  const RECT expected = host.ItemRect(1, LVIR_LABEL);
  EXPECT_TRUE(EqualRect(&label, &expected));
  RECT cell = {};
  ASSERT_TRUE(list.SubItemRect(1, 2, LVIR_BOUNDS, &cell));
  EXPECT_EQ(cell.left, 270);
  EXPECT_EQ(cell.right, 420);
  EXPECT_EQ(cell.top, label.top);
  LVHITTESTINFO hit = {};
  hit.pt = POINT{label.left + 5, (label.top + label.bottom) / 2};
  EXPECT_EQ(list.HitTest(&hit), 1);
  EXPECT_NE(hit.flags & LVHT_ONITEM, 0u);
  hit = LVHITTESTINFO{};
  hit.pt = POINT{cell.left + 5, (cell.top + cell.bottom) / 2};
  EXPECT_EQ(list.SubItemHitTest(&hit), 1);
  EXPECT_EQ(hit.iSubItem, 2);

  EXPECT_TRUE(list.EnsureVisible(2, false));
  EXPECT_TRUE(list.DeleteItem(0));
  EXPECT_EQ(list.ItemCount(), 2);
  EXPECT_EQ(list.FindItem(-1, "Pad 1"), -1);
}

TEST(ListViewEx, FitTextWithEllipsisKeepsTheLongestPrefixThatFits) {
  CListViewEx list;
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  auto width = [&](const char* text) {
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
    return static_cast<int>(size.cx);
  };
  const int dots = width("...");
  struct Case {
    const char* text;
    int columnWidth;
    int margin;
    const char* expected;  // nullptr: the text itself
  };
  const Case cases[] = {
      {"", 0, 4, nullptr},
      {"Fits", width("Fits") + 4, 4, nullptr},
      {"Fits", width("Fits") + 12, 12, nullptr},
      {"Joystick", width("Joy") + 4 + dots, 4, "Joy..."},
      {"Joystick", width("Joy") + 4 + dots - 1, 4, "Jo..."},
      {"Joystick Controller", width("Joystick") + 12 + dots, 12, "Joystick..."},
      {"Joystick Controller", width("Joystick") + 12 + dots - 1, 12, "Joystic..."},
      // Never less than the first character and the dots.
      {"Joystick", 0, 4, "J..."},
      {"W", 1, 4, "W..."},
      {"Joystick", -50, 12, "J..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " in " + std::to_string(c.columnWidth));
    const char* result = list.FitTextWithEllipsis(dc, c.text, c.columnWidth, c.margin);
    if (c.expected == nullptr)
      EXPECT_EQ(result, c.text);
    else
      EXPECT_STREQ(result, c.expected);
  }

  // A text longer than the buffer is cut to what the buffer holds, dots included.
  const std::string longText(400, 'x');
  const char* cut = list.FitTextWithEllipsis(dc, longText.c_str(), 100000, 4);
  EXPECT_EQ(cut, longText.c_str());
  cut = list.FitTextWithEllipsis(dc, longText.c_str(), width(longText.c_str()) - 1, 4);
  ASSERT_LT(std::strlen(cut), static_cast<size_t>(CListViewEx::kTextBufferSize));
  EXPECT_EQ(std::string(cut).substr(std::strlen(cut) - 3), "...");
  DeleteDC(dc);
}

TEST(ListViewEx, CreatedAsAnOwnerDrawnReportWithFullRowMode) {
  ListHost host;
  HWND list = host.list.Handle();
  const LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_NE(style & LVS_OWNERDRAWFIXED, 0);
  EXPECT_TRUE(host.list.IsFullRowMode());
  // The client area: the host's less the list's sunken edge.
  EXPECT_EQ(host.list.ClientWidth(), kClientWidth - 4);

  struct Step {
    bool on;
    bool changed;
  };
  for (const Step& step :
       {Step{true, false}, Step{false, true}, Step{false, false}, Step{true, true}}) {
    EXPECT_EQ(host.list.SetFullRowMode(step.on), step.changed);
    EXPECT_EQ(host.list.IsFullRowMode(), step.on);
    EXPECT_EQ((GetWindowLongPtrA(list, GWL_STYLE) & LVS_OWNERDRAWFIXED) != 0, step.on);
  }

  // Colours: the selection's are fixed; the item and icon backgrounds follow the list's.
  EXPECT_EQ(host.list.SelectionBackColor(), kSelection);
  EXPECT_EQ(host.list.SelectionTextColor(), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(host.list.ItemBackColor(), GetSysColor(COLOR_WINDOW));
  SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, RGB(10, 20, 30));
  SendMessageA(list, LVM_SETBKCOLOR, 0, RGB(40, 50, 60));
  EXPECT_EQ(host.list.ItemBackColor(), RGB(10, 20, 30));
  EXPECT_EQ(host.list.BackColor(), RGB(40, 50, 60));
  EXPECT_EQ(SendMessageA(list, LVM_GETTEXTBKCOLOR, 0, 0), RGB(10, 20, 30));
  EXPECT_EQ(SendMessageA(list, LVM_GETBKCOLOR, 0, 0), RGB(40, 50, 60));
}

TEST(ListViewEx, SelectedRowIsOneGreyBandToTheClientEdge) {
  ListHost host;
  const int edge = host.list.ClientWidth();
  host.AddRow(0, "Pad", "1", "A", 4);
  host.AddRow(1, "Pad", "2", "B", 4);
  host.SetState(1, LVIS_SELECTED, LVIS_SELECTED);
  const COLORREF window = GetSysColor(COLOR_WINDOW);

  const DrawnRow selected(host, 1);
  const int y = selected.MiddleY();
  ASSERT_LT(selected.bounds.right, kClientWidth);
  // From the label's left edge to the client edge, beyond the last column; empty cells too.
  for (int x : {static_cast<int>(selected.label.left), 500, edge - 1})
    EXPECT_EQ(selected.At(x, y), kSelection) << x;
  // Left of the label (the icon's place) the band does not reach.
  EXPECT_EQ(selected.At(selected.icon.left + 1, selected.bounds.top), DrawnRow::kUntouched);
  // The icon's mask lets the band through; the picture itself is drawn.
  EXPECT_EQ(selected.At(selected.icon.left, selected.icon.top), DrawnRow::kUntouched);

  const DrawnRow plain(host, 0);
  for (int x : {static_cast<int>(plain.label.left), 500, edge - 1})
    EXPECT_EQ(plain.At(x, plain.MiddleY()), window) << x;

  // The unselected band takes the list's text background colour.
  SendMessageA(host.list.Handle(), LVM_SETTEXTBKCOLOR, 0, RGB(200, 230, 255));
  const DrawnRow tinted(host, 0);
  EXPECT_EQ(tinted.At(edge - 1, tinted.MiddleY()), RGB(200, 230, 255));
  const DrawnRow stillGrey(host, 1);
  EXPECT_EQ(stillGrey.At(edge - 1, stillGrey.MiddleY()), kSelection);
}

TEST(ListViewEx, SelectionShowsWithoutFocusOnlyWithShowSelectionAlways) {
  for (bool always : {true, false}) {
    SCOPED_TRACE(always);
    ListHost host(always);
    const int edge = host.list.ClientWidth();
    host.AddRow(0, "Pad", "1", "A", 4);
    host.SetState(0, LVIS_SELECTED, LVIS_SELECTED);
    SetFocus(host.host);
    ASSERT_NE(GetFocus(), host.list.Handle());
    const DrawnRow unfocused(host, 0);
    EXPECT_EQ(unfocused.At(edge - 1, unfocused.MiddleY()),
              always ? kSelection : GetSysColor(COLOR_WINDOW));

    SetFocus(host.list.Handle());
    ASSERT_EQ(GetFocus(), host.list.Handle());
    const DrawnRow focused(host, 0);
    EXPECT_EQ(focused.At(edge - 1, focused.MiddleY()), kSelection);
  }
}

TEST(ListViewEx, LosingTheFocusRepaintsTheSelectedRowsUnlessTheSelectionShowsAlways) {
  for (bool always : {false, true}) {
    SCOPED_TRACE(always);
    ListHost host(always);
    const int edge = host.list.ClientWidth();
    host.AddRow(0, "Pad", "1", "A", 4);
    host.AddRow(1, "Pad", "2", "B", 4);
    SetFocus(host.list.Handle());
    host.SetState(1, LVIS_SELECTED, LVIS_SELECTED);
    UpdateWindow(host.list.Handle());
    const RECT row = host.ItemRect(1, LVIR_BOUNDS);
    const int y = (row.top + row.bottom) / 2;
    HDC dc = GetDC(host.list.Handle());
    EXPECT_EQ(GetPixel(dc, edge - 2, y), kSelection);
    SetFocus(host.host);
    EXPECT_EQ(GetPixel(dc, edge - 2, y), always ? kSelection : GetSysColor(COLOR_WINDOW));
    SetFocus(host.list.Handle());
    EXPECT_EQ(GetPixel(dc, edge - 2, y), kSelection);
    ReleaseDC(host.list.Handle(), dc);
  }
}

TEST(ListViewEx, FocusedRowGetsAFocusRectangleOnlyWhileTheListHasTheFocus) {
  ListHost host;
  const int edge = host.list.ClientWidth();
  host.AddRow(0, "Pad", "1", "A", 4);
  host.SetState(0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  SetFocus(host.list.Handle());
  ASSERT_EQ(GetFocus(), host.list.Handle());
  const DrawnRow focused(host, 0);
  // The dotted frame runs along the band's edges, out to the client edge.
  int marked = 0;
  for (int x = 300; x < 340; ++x) marked += focused.At(x, focused.bounds.top) != kSelection ? 1 : 0;
  EXPECT_GT(marked, 5);
  int edgeMarked = 0;
  for (int y = focused.bounds.top; y < focused.bounds.bottom; ++y)
    edgeMarked += focused.At(edge - 1, y) != kSelection ? 1 : 0;
  EXPECT_GT(edgeMarked, 2);

  SetFocus(host.host);
  const DrawnRow unfocused(host, 0);
  for (int x = 300; x < 340; ++x) EXPECT_EQ(unfocused.At(x, unfocused.bounds.top), kSelection);
}

// The icon's 16 x 16 pixels as drawn.
std::vector<COLORREF> IconPixels(const DrawnRow& row) {
  std::vector<COLORREF> pixels;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) pixels.push_back(row.At(row.icon.left + x, row.icon.top + y));
  return pixels;
}

TEST(ListViewEx, IconsAreBlendedForCutAndSelectedRowsAndStateImagesDrawn) {
  ListHost host;
  host.AddRow(0, "Pad", "1", "A", 4);
  const std::vector<COLORREF> plain = IconPixels(DrawnRow(host, 0));
  EXPECT_NE(plain[8 * 16 + 8], DrawnRow::kUntouched);
  host.SetState(0, LVIS_CUT, LVIS_CUT);
  const std::vector<COLORREF> cut = IconPixels(DrawnRow(host, 0));
  host.SetState(0, LVIS_SELECTED, LVIS_CUT | LVIS_SELECTED);
  const std::vector<COLORREF> selected = IconPixels(DrawnRow(host, 0));
  EXPECT_NE(cut, plain);
  EXPECT_NE(selected, plain);
  EXPECT_NE(selected, cut);
  // The mask stays transparent in every style.
  for (const auto* pixels : {&plain, &cut, &selected})
    EXPECT_EQ((*pixels)[0], DrawnRow::kUntouched);

  // A state image is drawn at the row's left edge, before the small icon.
  host.SetState(0, 0, LVIS_SELECTED);
  SendMessageA(host.list.Handle(), LVM_SETIMAGELIST, LVSIL_STATE,
               reinterpret_cast<LPARAM>(host.images));
  host.SetState(0, INDEXTOSTATEIMAGEMASK(6), LVIS_STATEIMAGEMASK);  // image 5
  const DrawnRow withState(host, 0);
  int drawn = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      drawn +=
          withState.At(withState.bounds.left + x, withState.bounds.top + y) != DrawnRow::kUntouched
              ? 1
              : 0;
  EXPECT_GT(drawn, 50);
  SendMessageA(host.list.Handle(), LVM_SETIMAGELIST, LVSIL_STATE, 0);
}

TEST(ListViewEx, SubItemsAreJustifiedUnlessShortened) {
  ListHost host;
  host.AddRow(0, "Pad", "Hi", "Mid", 4);
  host.AddRow(1, "Pad", "A text far too long to fit into its column of pixels",
              "Another text far too long to fit into a column", 4);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  // Column 1 runs from x 120 to 270, column 2 from 270 to 420, column 3 (empty) to 520; each
  // text is drawn 6 pixels in from its column's edges.
  const DrawnRow fitting(host, 0);
  int left = 0;
  int right = 0;
  fitting.InkSpan(120, 270, window, &left, &right);
  ASSERT_GE(left, 0);
  EXPECT_GT(left, 200);  // right-aligned
  EXPECT_LE(right, 270 - 6);
  EXPECT_GE(right, 270 - 6 - 6);  // a glyph's own spacing on the right
  fitting.InkSpan(270, 420, window, &left, &right);
  ASSERT_GE(left, 0);
  EXPECT_NEAR((left + right) / 2, 345, 4);  // centred
  fitting.InkSpan(420, 520, window, &left, &right);
  EXPECT_EQ(left, -1);  // empty: nothing but the band

  const DrawnRow shortened(host, 1);
  shortened.InkSpan(120, 270, window, &left, &right);
  ASSERT_GE(left, 0);
  EXPECT_LE(left, 120 + 6 + 2);  // left-aligned once cut
  EXPECT_LE(right, 270 - 6);
  shortened.InkSpan(270, 420, window, &left, &right);
  EXPECT_LE(left, 270 + 6 + 2);
}

TEST(ListViewEx, LabelIsShortenedWithinItsColumn) {
  ListHost host;
  host.AddRow(0, "A device name much longer than the first column is wide", "", "", 4);
  const DrawnRow row(host, 0);
  int left = 0;
  int right = 0;
  row.InkSpan(row.label.left, host.list.ClientWidth(), GetSysColor(COLOR_WINDOW), &left, &right);
  ASSERT_GE(left, 0);
  EXPECT_LE(right, 120 - 2);
}

TEST(ListViewEx, RepaintCarriesTheSelectionToTheClientEdge) {
  ListHost host;
  const int edge = host.list.ClientWidth();
  host.AddRow(0, "Pad", "1", "A", 4);
  host.AddRow(1, "Pad", "2", "B", 4);
  UpdateWindow(host.list.Handle());
  host.SetState(0, LVIS_SELECTED, LVIS_SELECTED);
  // Only the first column of the row is made invalid; the paint reaches the edge all the same.
  const RECT label = host.ItemRect(0, LVIR_LABEL);
  InvalidateRect(host.list.Handle(), &label, FALSE);
  UpdateWindow(host.list.Handle());
  HDC dc = GetDC(host.list.Handle());
  const int y = (label.top + label.bottom) / 2;
  EXPECT_EQ(GetPixel(dc, edge - 2, y), kSelection);
  EXPECT_EQ(GetPixel(dc, 560, y), kSelection);
  ReleaseDC(host.list.Handle(), dc);
}

}  // namespace
}  // namespace tarvel::test
