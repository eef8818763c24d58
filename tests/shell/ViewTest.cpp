// The mapping list: its columns and their widths, one row per button, and the row images.
#include <gtest/gtest.h>

#include "tests/shell/ShellTestSupport.h"

namespace tarvel::test {
namespace {

TEST(View, ColumnsHaveTheirTitlesAndDefaultOrStoredWidths) {
  const char* titles[] = {"Device",      "Button", "Mapped Keyboard Key", "Target Window Class",
                          "Description", "Action"};
  struct Case {
    const char* what;
    bool stored;
    int widths[6];    // stored
    int expected[6];  // shown (none stored: at least), and written back at exit
  };
  const Case cases[] = {
      {"none stored: the defaults, fitted to the window", false, {}, {300, 50, 120, 180, 100, 80}},
      {"stored", true, {0, 10, 20, 30, 40, 50}, {0, 10, 20, 30, 40, 50}},
      {"out of range: the column's default",
       true,
       {-1, 16385, -2147483647 - 1, 2147483647, 16384, -80},
       {300, 50, 120, 180, 16384, 80}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestServices services;
    if (c.stored)
      for (int i = 0; i < 6; ++i)
        services.settings.WriteInt("View", Numbered("Width%d", i).c_str(), c.widths[i]);
    AppUnderTest app(services);
    ASSERT_TRUE(app.Start());
    HWND header = ListView_GetHeader(app.View().Handle());
    ASSERT_EQ(Header_GetItemCount(header), 6);
    for (int i = 0; i < 6; ++i) {
      char text[64] = {};
      LVCOLUMNA column = {};
      column.mask = LVCF_TEXT | LVCF_FMT;
      column.pszText = text;
      column.cchTextMax = sizeof(text);
      SendMessageA(app.View().Handle(), LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
      EXPECT_STREQ(text, titles[i]);
      EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
      if (c.stored) {
        EXPECT_EQ(app.View().List().ColumnWidth(i), c.expected[i]);
      }
    }
    if (!c.stored) {
      // A first start: each column as wide as its default and its title at least, and the
      // Description column takes the rest of the window.
      RECT client = {};
      GetClientRect(app.View().Handle(), &client);
      int total = 0;
      for (int i = 0; i < 6; ++i) {
        const int width = app.View().List().ColumnWidth(i);
        EXPECT_GE(width, c.expected[i]) << i;
        EXPECT_GE(width, app.View().List().StringWidth(titles[i]) + 24) << i;
        total += width;
      }
      EXPECT_EQ(total, client.right);
      EXPECT_GT(app.View().List().ColumnWidth(4), 100);
    }
    const LONG_PTR style = GetWindowLongPtrA(app.View().Handle(), GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_NE(style & LVS_SHOWSELALWAYS, 0);
    // The list fills the frame between the bars.
    RECT view = {};
    GetWindowRect(app.View().Handle(), &view);
    RECT rebar = {};
    GetWindowRect(app.Frame().ReBarHandle(), &rebar);
    RECT status = {};
    GetWindowRect(app.Frame().StatusBarHandle(), &status);
    EXPECT_EQ(view.top, rebar.bottom);
    EXPECT_EQ(view.bottom, status.top);
    int shown[6] = {};
    for (int i = 0; i < 6; ++i) shown[i] = app.View().List().ColumnWidth(i);
    ASSERT_TRUE(app.Close());
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(services.settings.GetInt("View", Numbered("Width%d", i).c_str(), -7), shown[i]);
  }
}

TEST(View, OneRowPerButtonWithNameNumberKeyClassAndDescription) {
  TempDir folder;
  const std::string path = folder.File("rows.tvm");
  const Guid wheel = TestGuid(1);
  const Guid stick = TestGuid(2);
  const std::string text =
      Lines(Join({{"TVM2"},
                  Block(HeaderLine(wheel, wheel, "Wheel"),
                        {V2Button(1, 1, 65, 30, 3, "Notepad", "Jump"), V2Button(2, 0, 0, 0, 0)}),
                  Block(HeaderLine(stick, stick, "Stick, with comma"),
                        {V2Button(1, 0, 0, 0, 0), V2Button(2, 1, 112, 59, 0),
                         V2Button(3, 0, 0, 0, 0, "", "a,b,c,d,e")})}));
  WriteBytes(path, text);
  TestServices services;
  AppUnderTest app(services, path);
  ASSERT_TRUE(app.Start());
  const fw::ListView list = app.View().List();
  ASSERT_EQ(list.ItemCount(), 5);
  struct Row {
    const char* device;
    const char* button;
    const char* key;
    const char* windowClass;
    const char* description;
  };
  const Row rows[] = {{"Wheel", "1", "Ctrl + Shift + A", "Notepad", "Jump"},
                      {"Wheel", "2", "", "", ""},
                      {"Stick, with comma", "1", "", "", ""},
                      {"Stick, with comma", "2", "F1", "", ""},
                      {"Stick, with comma", "3", "", "", "a,b,c,d,e"}};
  for (int r = 0; r < 5; ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(list.ItemText(r, 0), rows[r].device);
    EXPECT_EQ(list.ItemText(r, 1), rows[r].button);
    EXPECT_EQ(list.ItemText(r, 2), rows[r].key);
    EXPECT_EQ(list.ItemText(r, 3), rows[r].windowClass);
    EXPECT_EQ(list.ItemText(r, 4), rows[r].description);
    EXPECT_EQ(list.ItemText(r, 5), "Tap");
    // No controller is attached: every row shows "not connected".
    EXPECT_EQ(list.ItemImage(r), 0);
  }
}

TEST(View, MarksSetAndClearTheirBitOnly) {
  TestServices services;
  services.controllers.AddController(3);
  AppUnderTest app(services);
  ASSERT_TRUE(app.Start());
  CTarvelView& view = app.View();
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return view.List().ItemImage(1) == 4; }));

  struct Step {
    bool pressed;  // else the capture mark
    bool on;
    int image;
  };
  const Step steps[] = {{true, true, 5},  {false, true, 7},  {true, false, 6},
                        {true, false, 6}, {false, false, 4}, {false, false, 4}};
  for (const Step& step : steps) {
    if (step.pressed)
      view.SetPressedMark(1, step.on);
    else
      view.SetCaptureMark(1, step.on);
    EXPECT_EQ(view.List().ItemImage(1), step.image);
  }
  // Rows the list does not have are left alone.
  view.SetPressedMark(3, true);
  view.SetCaptureMark(-1, true);
  view.RefreshRowTexts(99);
  view.RefreshRowImage(99);
  EXPECT_EQ(view.List().ItemCount(), 3);

  // An update redraws every row from the document.
  view.SetPressedMark(0, true);
  view.SetCaptureMark(2, true);
  app.Doc().UpdateAllViews(nullptr, 0);
  for (int row = 0; row < 3; ++row) EXPECT_EQ(view.List().ItemImage(row), 4);
}

TEST(View, ColumnWidthsAreStoredWhenTheWindowCloses) {
  TestServices services;
  {
    AppUnderTest app(services);
    ASSERT_TRUE(app.Start());
    const int widths[] = {0, 1, 77, 400, 12, 33};
    for (int i = 0; i < 6; ++i) app.View().List().SetColumnWidth(i, widths[i]);
    ASSERT_TRUE(app.Close());
  }
  const int expected[] = {0, 1, 77, 400, 12, 33};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(services.settings.GetInt("View", Numbered("Width%d", i).c_str(), -1), expected[i]);
}

}  // namespace
}  // namespace tarvel::test
