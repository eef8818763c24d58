// Printing: the pages that the mapping list is printed on (drawn into enhanced metafiles, one per
// page, and read back record by record), and Print, Print Direct and Print Setup in the program
// on a system without a printer.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "framework/App.h"
#include "framework/PrintService.h"
#include "framework/PrinterSettings.h"
#include "res/resource.h"
#include "tests/shell/EditingSupport.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/ListPrinter.h"

namespace tarvel::test {
namespace {

// Letter paper at the screen's 96 dots per inch.
constexpr SIZE kPage = {816, 1056};
constexpr PrintColumn kColumns[] = {{"Device", 300},
                                    {"Button", 50},
                                    {"Mapped Keyboard Key", 120},
                                    {"Target Window Class", 180},
                                    {"Description", 100}};
constexpr int kColumnCount = 5;

struct DrawnText {
  int x;
  int y;
  std::string text;
};

int CALLBACK CollectText(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) {
  auto* texts = reinterpret_cast<std::vector<DrawnText>*>(data);
  const BYTE* base = reinterpret_cast<const BYTE*>(record);
  if (record->iType == EMR_EXTTEXTOUTW) {
    const auto* out = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
    const auto* chars = reinterpret_cast<const wchar_t*>(base + out->emrtext.offString);
    std::string text;
    for (DWORD i = 0; i < out->emrtext.nChars; ++i) text += static_cast<char>(chars[i]);
    texts->push_back({out->emrtext.ptlReference.x, out->emrtext.ptlReference.y, text});
  } else if (record->iType == EMR_EXTTEXTOUTA) {
    const auto* out = reinterpret_cast<const EMREXTTEXTOUTA*>(record);
    const auto* chars = reinterpret_cast<const char*>(base + out->emrtext.offString);
    texts->push_back({out->emrtext.ptlReference.x, out->emrtext.ptlReference.y,
                      std::string(chars, out->emrtext.nChars)});
  }
  return 1;
}

// Every page becomes an enhanced metafile; its texts are kept. failAtBegin/failAtEnd: the page
// (1 = the first) that cannot be started or finished, 0 for none.
class MetafilePages final : public PageSink {
 public:
  HDC BeginPage() override {
    ++begun;
    if (begun == failAtBegin) return nullptr;
    dc_ = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    return dc_;
  }
  bool EndPage() override {
    ++ended;
    HENHMETAFILE file = CloseEnhMetaFile(dc_);
    dc_ = nullptr;
    std::vector<DrawnText> texts;
    EnumEnhMetaFile(nullptr, file, CollectText, &texts, nullptr);
    DeleteEnhMetaFile(file);
    pages.push_back(texts);
    return ended != failAtEnd;
  }

  int failAtBegin = 0;
  int failAtEnd = 0;
  int begun = 0;
  int ended = 0;
  std::vector<std::vector<DrawnText>> pages;

 private:
  HDC dc_ = nullptr;
};

std::string CellName(int row, int column) {
  return "r" + std::to_string(row) + "c" + std::to_string(column);
}

ListPrintJob MakeJob(int rows) {
  ListPrintJob job;
  job.title = "pads.tvm";
  job.columnCount = kColumnCount;
  for (int i = 0; i < kColumnCount; ++i) job.columns[i] = kColumns[i];
  job.rowCount = rows;
  job.cellText = [](int row, int column) { return CellName(row, column); };
  return job;
}

const DrawnText* Find(const std::vector<DrawnText>& texts, const std::string& text) {
  for (const DrawnText& t : texts)
    if (t.text == text) return &t;
  return nullptr;
}

// The text as drawn: whole, or a start of it that ends in "..." when its column is too narrow.
const DrawnText* FindShown(const std::vector<DrawnText>& texts, const std::string& text) {
  for (const DrawnText& t : texts) {
    if (t.text == text) return &t;
    const size_t kept = t.text.size() > 3 ? t.text.size() - 3 : 0;
    if (kept > 0 && kept < text.size() && t.text.compare(kept, 3, "...") == 0 &&
        text.compare(0, kept, t.text, 0, kept) == 0)
      return &t;
  }
  return nullptr;
}

// A DC with the screen's resolution, for the layout's text metrics.
class ScreenDc {
 public:
  ScreenDc() : dc_(CreateCompatibleDC(nullptr)) {}
  ~ScreenDc() { DeleteDC(dc_); }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

TEST(ListPrinterTest, PageCountsFromNoRowsToMany) {
  ScreenDc screen;
  const ListPageLayout layout = LayOutListPages(screen.get(), kPage, MakeJob(1));
  const int perPage = layout.rowsPerPage;
  // 8-point lines on 11 inches, less the heading, the header and the margins.
  ASSERT_GT(perPage, 35);
  ASSERT_LT(perPage, 90);

  struct Case {
    int rows;
    int pages;
  };
  const Case cases[] = {{0, 1},           {1, 1},
                        {perPage - 1, 1}, {perPage, 1},
                        {perPage + 1, 2}, {2 * perPage, 2},
                        {16, 1},          {128 * 4 + 3, (128 * 4 + 3 + perPage - 1) / perPage}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rows);
    MetafilePages sink;
    const ListPrintJob job = MakeJob(c.rows);
    EXPECT_EQ(PrintListPages(screen.get(), kPage, job, sink), c.pages);
    ASSERT_EQ(static_cast<int>(sink.pages.size()), c.pages);

    int nextRow = 0;
    for (int p = 0; p < c.pages; ++p) {
      SCOPED_TRACE(p);
      const std::vector<DrawnText>& texts = sink.pages[p];
      // The heading and the column titles, on every page, titles above the rows.
      const DrawnText* title = Find(texts, "pads.tvm");
      const DrawnText* number = Find(texts, "Page " + std::to_string(p + 1));
      ASSERT_NE(title, nullptr);
      ASSERT_NE(number, nullptr);
      EXPECT_EQ(title->y, number->y);
      EXPECT_GT(number->x, kPage.cx / 2);
      int headerY = -1;
      for (const PrintColumn& column : kColumns) {
        const DrawnText* header = FindShown(texts, column.title);
        ASSERT_NE(header, nullptr) << column.title;
        EXPECT_GT(header->y, title->y);
        if (headerY < 0) headerY = header->y;
        EXPECT_EQ(header->y, headerY);
      }
      // The rows of this page, in order, below the header and inside the page.
      int lastY = headerY;
      for (const DrawnText& t : texts) {
        if (t.text.size() < 2 || t.text[0] != 'r' || t.text.find('c') == std::string::npos)
          continue;
        if (t.text.substr(t.text.find('c')) != "c0") continue;
        EXPECT_EQ(t.text, CellName(nextRow, 0));
        EXPECT_GT(t.y, lastY);
        EXPECT_LE(t.y + layout.lineHeight, kPage.cy);
        for (int column = 1; column < kColumnCount; ++column) {
          const DrawnText* cell = Find(texts, CellName(nextRow, column));
          ASSERT_NE(cell, nullptr) << CellName(nextRow, column);
          EXPECT_EQ(cell->y, t.y);
        }
        lastY = t.y;
        ++nextRow;
      }
    }
    EXPECT_EQ(nextRow, c.rows);
  }
}

TEST(ListPrinterTest, ColumnsKeepTheListsProportionsAcrossThePrintableWidth) {
  ScreenDc screen;
  MetafilePages sink;
  const ListPrintJob job = MakeJob(1);
  ASSERT_EQ(PrintListPages(screen.get(), kPage, job, sink), 1);
  const ListPageLayout layout = LayOutListPages(screen.get(), kPage, job);
  const std::vector<DrawnText>& texts = sink.pages[0];
  const int width = kPage.cx - 2 * layout.margin;
  EXPECT_GT(layout.margin, 0);
  int total = 0;
  for (const PrintColumn& column : kColumns) total += column.width;
  int sum = 0;
  for (int c = 0; c < kColumnCount; ++c) {
    SCOPED_TRACE(c);
    const int expectedLeft = layout.margin + sum * width / total;
    for (const std::string& text : {std::string(kColumns[c].title), CellName(0, c)}) {
      const DrawnText* drawn = FindShown(texts, text);
      ASSERT_NE(drawn, nullptr) << text;
      EXPECT_NEAR(drawn->x, expectedLeft + layout.cellPadding, 1) << text;
    }
    sum += kColumns[c].width;
  }
  EXPECT_EQ(layout.columnLeft[kColumnCount], kPage.cx - layout.margin);

  // No widths at all: equal columns.
  ListPrintJob zero = MakeJob(1);
  for (int c = 0; c < kColumnCount; ++c) zero.columns[c].width = 0;
  const ListPageLayout equal = LayOutListPages(screen.get(), kPage, zero);
  for (int c = 0; c < kColumnCount; ++c)
    EXPECT_NEAR(equal.columnLeft[c + 1] - equal.columnLeft[c], width / kColumnCount, 1);
}

TEST(ListPrinterTest, TextsTooWideForTheirColumnEndInDots) {
  ScreenDc screen;
  const std::string longText(200, 'W');
  ListPrintJob job = MakeJob(1);
  job.title = std::string(300, 'T');
  job.cellText = [&](int, int column) { return column == 1 ? longText : std::string("short"); };
  MetafilePages sink;
  ASSERT_EQ(PrintListPages(screen.get(), kPage, job, sink), 1);
  const ListPageLayout layout = LayOutListPages(screen.get(), kPage, job);
  const std::vector<DrawnText>& texts = sink.pages[0];

  // The narrow "Button" column: its long text is cut with dots and stays inside its cell, in
  // the font the rows are drawn with.
  const DrawnText* cut = nullptr;
  for (const DrawnText& t : texts)
    if (t.text.size() > 3 && t.text.compare(0, 1, "W") == 0) cut = &t;
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(cut->text.substr(cut->text.size() - 3), "...");
  EXPECT_LT(cut->text.size(), longText.size());
  EXPECT_EQ(cut->text.find_first_not_of('W'), cut->text.size() - 3);
  // The title keeps clear of "Page 1".
  const DrawnText* page = Find(texts, "Page 1");
  ASSERT_NE(page, nullptr);
  bool titleCut = false;
  for (const DrawnText& t : texts)
    if (t.text.size() > 3 && t.text[0] == 'T' && t.text.substr(t.text.size() - 3) == "...")
      titleCut = true;
  EXPECT_TRUE(titleCut);
  EXPECT_EQ(Find(texts, job.title), nullptr);
  // Short texts stay whole.
  EXPECT_NE(Find(texts, "short"), nullptr);
  EXPECT_NE(Find(texts, "Device"), nullptr);

  // Measured in a font like the rows' (8 points, Arial): the cut text fits its cell.
  LOGFONTA font = {};
  font.lfHeight = -MulDiv(8, GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
  lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
  HFONT rowFont = CreateFontIndirectA(&font);
  HGDIOBJ old = SelectObject(screen.get(), rowFont);
  SIZE size = {};
  GetTextExtentPoint32A(screen.get(), cut->text.c_str(), static_cast<int>(cut->text.size()), &size);
  EXPECT_LE(size.cx, layout.columnLeft[2] - layout.columnLeft[1] - 2 * layout.cellPadding);

  // FitTextToWidth at its edges.
  EXPECT_EQ(FitTextToWidth(screen.get(), "", 0), "");
  EXPECT_EQ(FitTextToWidth(screen.get(), "Pad", 1000), "Pad");
  EXPECT_EQ(FitTextToWidth(screen.get(), "Pad", 0), "P...");
  EXPECT_EQ(FitTextToWidth(screen.get(), "P", 0), "P");
  GetTextExtentPoint32A(screen.get(), "Gamepad", 7, &size);
  EXPECT_EQ(FitTextToWidth(screen.get(), "Gamepad", size.cx), "Gamepad");
  const std::string shorter = FitTextToWidth(screen.get(), "Gamepad", size.cx - 1);
  EXPECT_EQ(shorter.substr(shorter.size() - 3), "...");
  SelectObject(screen.get(), old);
  DeleteObject(rowFont);
}

TEST(ListPrinterTest, APageThatCannotBeStartedOrFinishedEndsTheJob) {
  ScreenDc screen;
  const int perPage = LayOutListPages(screen.get(), kPage, MakeJob(1)).rowsPerPage;
  {
    MetafilePages sink;
    sink.failAtBegin = 2;
    EXPECT_EQ(PrintListPages(screen.get(), kPage, MakeJob(3 * perPage), sink), -1);
    EXPECT_EQ(sink.begun, 2);
    EXPECT_EQ(sink.ended, 1);
  }
  {
    MetafilePages sink;
    sink.failAtEnd = 1;
    EXPECT_EQ(PrintListPages(screen.get(), kPage, MakeJob(3 * perPage), sink), -1);
    EXPECT_EQ(sink.begun, 1);
    EXPECT_EQ(sink.ended, 1);
  }
  // A DC that is no printer's refuses the document: the job ends at once.
  EXPECT_EQ(PrintListDocument(screen.get(), MakeJob(10)), -1);
}

TEST(ListPrinterTest, APageTooSmallForAnyRowStillTakesOneRowAndTheJobEnds) {
  ScreenDc screen;
  MetafilePages sink;
  EXPECT_EQ(PrintListPages(screen.get(), SIZE{40, 20}, MakeJob(3), sink), 3);
  EXPECT_EQ(sink.pages.size(), 3u);
}

// The program on a system without a printer (Wine has none unless one is set up).
class PrintingTest : public TwoPadsTest {
 protected:
  void SetUp() override {
    if (fw::PrinterSettings::AnyPrinterInstalled())
      GTEST_SKIP() << "a printer is installed; these cases need a system without one";
    TwoPadsTest::SetUp();
  }
  void TearDown() override {
    BYTE state[256] = {};
    SetKeyboardState(state);
    TwoPadsTest::TearDown();
  }

  // Runs the action with a watch that would close any print dialog or the system's own
  // no-printer message, so that nothing can wait for a click; true when one appeared.
  bool AnyPrintDialogDuring(const std::function<void()>& action) {
    WindowWatch watch(
        [] {
          for (const char* caption : {"Print", "Print Setup", "Printer"})
            if (HWND found = FindDialog(caption)) return found;
          return HWND{nullptr};
        },
        [](HWND dialog) { ClickButton(dialog, IDCANCEL); }, 1500);
    action();
    Pump(50);
    return watch.Fired();
  }

  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (int row = 0; row < app_->View().List().ItemCount(); ++row)
      for (int column = 0; column < CTarvelView::kColumnCount; ++column)
        rows.push_back(CellText(list_, row, column));
    return rows;
  }
};

TEST_F(PrintingTest, PrintCommandsAreEnabledAndPreviewIsNot) {
  for (UINT id : {ID_FILE_PRINT, ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_SETUP}) {
    fw::CmdUI ui(id);
    EXPECT_TRUE(app_->Frame().RouteUpdate(ui)) << id;
    EXPECT_TRUE(ui.enabled) << id;
  }
  constexpr UINT kPrintPreview = 57609;
  fw::CmdUI preview(kPrintPreview);
  app_->Frame().RouteUpdate(preview);
  EXPECT_FALSE(preview.enabled);
  EXPECT_FALSE(app_->Frame().RouteCommand(kPrintPreview));
  EXPECT_TRUE(services_.frameworkPrompts.errors.empty());
}

TEST_F(PrintingTest, EveryWayToPrintSaysThatNoPrinterIsInstalledAndChangesNothing) {
  struct Case {
    const char* name;
    std::function<void()> act;
  };
  const Case cases[] = {
      {"Ctrl+P",
       [&] {
         BYTE state[256] = {};
         state[VK_CONTROL] = 0x80;
         SetKeyboardState(state);
         MSG msg = {};
         msg.hwnd = list_;
         msg.message = WM_KEYDOWN;
         msg.wParam = 'P';
         msg.lParam = 1;
         // The key is the accelerator of Print: it becomes the command, not a key message.
         EXPECT_TRUE(app_->App().PreTranslateMessage(&msg));
         BYTE none[256] = {};
         SetKeyboardState(none);
       }},
      {"Print", [&] { EXPECT_TRUE(app_->Frame().RouteCommand(ID_FILE_PRINT)); }},
      {"Print Direct", [&] { EXPECT_TRUE(app_->Frame().RouteCommand(ID_FILE_PRINT_DIRECT)); }},
      {"Print Setup", [&] { EXPECT_TRUE(app_->Frame().RouteCommand(ID_FILE_PRINT_SETUP)); }},
  };
  const std::vector<std::string> rows = Rows();
  ASSERT_EQ(rows.size(), 5u * CTarvelView::kColumnCount);
  const std::string caption = app_->Caption();
  const bool modified = app_->Doc().IsModified();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    services_.frameworkPrompts.errors.clear();
    EXPECT_FALSE(AnyPrintDialogDuring(c.act));
    ASSERT_EQ(services_.frameworkPrompts.errors.size(), 1u);
    EXPECT_EQ(services_.frameworkPrompts.errors[0], "No printer is installed.");
    EXPECT_FALSE(app_->App().Printer().HasChoice());
    EXPECT_EQ(app_->Doc().IsModified(), modified);
    EXPECT_EQ(app_->Caption(), caption);
    EXPECT_EQ(Rows(), rows);
    EXPECT_TRUE(IsWindowVisible(app_->FrameHandle()));
    EXPECT_TRUE(IsWindowEnabled(app_->FrameHandle()));
  }
}

TEST_F(PrintingTest, WithoutPromptsTheMessageIsAMessageBoxThatCanBeDismissed) {
  app_->App().SetFrameworkPrompts(nullptr);
  std::string shown;
  WindowWatch watch(
      [] {
        // The message box of this thread, whatever its caption.
        HWND found = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM data) {
              char name[16] = {};
              GetClassNameA(window, name, sizeof(name));
              if (IsWindowVisible(window) && lstrcmpA(name, "#32770") == 0) {
                *reinterpret_cast<HWND*>(data) = window;
                return FALSE;
              }
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
      },
      [&](HWND box) {
        // The text is the box's static control.
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
          const std::string text = WindowText(child);
          if (text.find("printer") != std::string::npos) shown = text;
        }
        SendMessageA(box, WM_COMMAND, IDOK, 0);
      });
  EXPECT_TRUE(app_->Frame().RouteCommand(ID_FILE_PRINT));
  ASSERT_TRUE(watch.Fired());
  EXPECT_EQ(shown, "No printer is installed.");
  EXPECT_TRUE(services_.frameworkPrompts.errors.empty());
  Pump();
  EXPECT_TRUE(IsWindowEnabled(app_->FrameHandle()));
}

// A printing service that hands out a memory DC (on which no document can be started) or none,
// and records what the view asked of it.
class RecordingPrintService final : public fw::PrintService {
 public:
  HDC OpenPrinterDC(HWND owner, bool showDialog) override {
    owners.push_back(owner);
    dialogs.push_back(showDialog);
    return giveDc ? CreateCompatibleDC(nullptr) : nullptr;
  }
  std::string PrintTitle() const override { return "pads.tvm"; }
  void ShowPrintError(HWND /*owner*/, const std::string& text) override { errors.push_back(text); }

  bool giveDc = false;
  std::vector<HWND> owners;
  std::vector<bool> dialogs;
  std::vector<std::string> errors;
};

using ViewPrintingTest = TwoPadsTest;

// The view prints through the service it was handed: with the Print dialog or without as the
// command asks, owned by the main window, and a job that fails is told with the service's title.
TEST_F(ViewPrintingTest, PrintAndPrintDirectGoThroughTheServiceTheViewWasHanded) {
  struct Case {
    UINT command;
    bool giveDc;
    bool dialog;
    const char* error;  // null for none
  };
  const Case cases[] = {
      {ID_FILE_PRINT, false, true, nullptr},
      {ID_FILE_PRINT_DIRECT, false, false, nullptr},
      {ID_FILE_PRINT_DIRECT, true, false,
       "pads.tvm could not be printed: the printer did not take the document."},
      {ID_FILE_PRINT, true, true,
       "pads.tvm could not be printed: the printer did not take the document."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    RecordingPrintService printing;
    printing.giveDc = c.giveDc;
    CTarvelView view(app_->Doc(), services_.settings, nullptr, &printing);
    ASSERT_TRUE(view.Create(app_->FrameHandle(), 1234));
    EXPECT_TRUE(view.OnCommand(c.command));
    ASSERT_EQ(printing.dialogs.size(), 1u);
    EXPECT_EQ(printing.dialogs[0], c.dialog);
    EXPECT_EQ(printing.owners[0], app_->FrameHandle());
    EXPECT_EQ(printing.errors,
              c.error != nullptr ? std::vector<std::string>{c.error} : std::vector<std::string>{});
  }
  EXPECT_TRUE(services_.frameworkPrompts.errors.empty());
}

}  // namespace
}  // namespace tarvel::test
