#include "ui/ListPrinter.h"

#include <algorithm>

namespace tarvel {

namespace {

// About the size of the list's own text on the screen.
constexpr int kPointSize = 8;
constexpr char kDots[] = "...";
constexpr int kDotCount = 3;

HFONT MakeFont(HDC dc, bool bold) {
  LOGFONTA font = {};
  font.lfHeight = -MulDiv(kPointSize, GetDeviceCaps(dc, LOGPIXELSY), 72);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_TT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

// A font of the page's resolution, selected into the DC while the object lives.
class SelectedFont {
 public:
  SelectedFont(HDC dc, bool bold) : dc_(dc), font_(MakeFont(dc, bold)) {
    old_ = font_ != nullptr ? SelectObject(dc_, font_) : nullptr;
  }
  ~SelectedFont() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    if (font_ != nullptr) DeleteObject(font_);
  }
  SelectedFont(const SelectedFont&) = delete;
  SelectedFont& operator=(const SelectedFont&) = delete;

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ old_ = nullptr;
};

int TextWidth(HDC dc, const char* text, int length) {
  SIZE size = {};
  GetTextExtentPoint32A(dc, text, length, &size);
  return size.cx;
}

int ColumnCount(const ListPrintJob& job) {
  return std::clamp(job.columnCount, 0, ListPrintJob::kMaxColumns);
}

// Draws text from the cell's left edge plus padding, cut to fit between left and right.
void DrawCell(HDC dc, int left, int right, int top, int height, int padding,
              const std::string& text) {
  const int room = right - left - 2 * padding;
  if (text.empty() || room <= 0) return;
  const std::string shown = FitTextToWidth(dc, text, room);
  RECT clip = {left, top, right, top + height};
  ExtTextOutA(dc, left + padding, top, ETO_CLIPPED, &clip, shown.c_str(),
              static_cast<UINT>(shown.size()), nullptr);
}

class PrinterPages final : public PageSink {
 public:
  explicit PrinterPages(HDC dc) : dc_(dc) {}
  HDC BeginPage() override { return StartPage(dc_) > 0 ? dc_ : nullptr; }
  bool EndPage() override { return ::EndPage(dc_) > 0; }

 private:
  HDC dc_;
};

}  // namespace

std::string FitTextToWidth(HDC dc, const std::string& text, int width) {
  const int length = static_cast<int>(text.size());
  // A single character is shorter than any start of it with dots.
  if (length <= 1 || TextWidth(dc, text.c_str(), length) <= width) return text;
  const int dots = TextWidth(dc, kDots, kDotCount);
  int kept = 0;
  SIZE size = {};
  GetTextExtentExPointA(dc, text.c_str(), length, std::max(0, width - dots), &kept, nullptr, &size);
  kept = std::clamp(kept, 1, length - 1);
  // Kerning can make a start wider than the estimate: check it as a whole.
  while (kept > 1 && TextWidth(dc, text.c_str(), kept) + dots > width) --kept;
  return text.substr(0, static_cast<size_t>(kept)) + kDots;
}

ListPageLayout LayOutListPages(HDC dc, SIZE pageSize, const ListPrintJob& job) {
  ListPageLayout layout;
  TEXTMETRICA bold = {};
  TEXTMETRICA normal = {};
  {
    SelectedFont font(dc, true);
    GetTextMetricsA(dc, &bold);
  }
  {
    SelectedFont font(dc, false);
    GetTextMetricsA(dc, &normal);
  }
  const int textHeight =
      std::max({static_cast<int>(bold.tmHeight + bold.tmExternalLeading),
                static_cast<int>(normal.tmHeight + normal.tmExternalLeading), 1});
  layout.lineHeight = textHeight + textHeight / 4;
  layout.cellPadding = std::max(1, static_cast<int>(normal.tmAveCharWidth) / 2);

  // A quarter inch around the printable area, less on pages too small for it.
  const int quarterInch = GetDeviceCaps(dc, LOGPIXELSY) / 4;
  layout.margin = std::max(0, std::min({quarterInch, static_cast<int>(pageSize.cx) / 8,
                                        static_cast<int>(pageSize.cy) / 8}));
  layout.headingTop = layout.margin;
  layout.headerTop = layout.headingTop + 2 * layout.lineHeight;
  layout.ruleY = layout.headerTop + layout.lineHeight;
  layout.firstRowTop = layout.ruleY + layout.lineHeight / 4 + 1;
  // However small the page, every page carries at least one row, so the job always ends.
  layout.rowsPerPage = std::max(
      1, (static_cast<int>(pageSize.cy) - layout.margin - layout.firstRowTop) / layout.lineHeight);
  const int rows = std::max(0, job.rowCount);
  layout.pageCount = rows == 0 ? 1 : (rows + layout.rowsPerPage - 1) / layout.rowsPerPage;

  const int count = ColumnCount(job);
  const int tableWidth = std::max(0, static_cast<int>(pageSize.cx) - 2 * layout.margin);
  int total = 0;
  for (int i = 0; i < count; ++i) total += std::max(0, job.columns[i].width);
  int sum = 0;
  for (int i = 0; i <= count; ++i) {
    // Cumulative widths, so that rounding never adds up past the right edge.
    const int share =
        total > 0 ? MulDiv(sum, tableWidth, total) : MulDiv(i, tableWidth, std::max(1, count));
    layout.columnLeft[i] = layout.margin + share;
    if (i < count) sum += std::max(0, job.columns[i].width);
  }
  return layout;
}

void DrawListPage(HDC dc, SIZE pageSize, const ListPageLayout& layout, const ListPrintJob& job,
                  int page) {
  const int saved = SaveDC(dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  const int count = ColumnCount(job);
  const int left = layout.margin;
  const int right = std::max(left, static_cast<int>(pageSize.cx) - layout.margin);
  const int lineHeight = layout.lineHeight;
  const int padding = layout.cellPadding;
  {
    SelectedFont font(dc, true);
    const std::string number = "Page " + std::to_string(page + 1);
    const int numberWidth = TextWidth(dc, number.c_str(), static_cast<int>(number.size()));
    const int numberLeft = std::max(left, right - numberWidth);
    ExtTextOutA(dc, numberLeft, layout.headingTop, 0, nullptr, number.c_str(),
                static_cast<UINT>(number.size()), nullptr);
    DrawCell(dc, left - padding, numberLeft - padding, layout.headingTop, lineHeight, padding,
             job.title);
    for (int c = 0; c < count; ++c)
      DrawCell(dc, layout.columnLeft[c], layout.columnLeft[c + 1], layout.headerTop, lineHeight,
               padding, job.columns[c].title != nullptr ? job.columns[c].title : "");
  }

  const int penWidth = std::max(1, GetDeviceCaps(dc, LOGPIXELSY) / 96);
  HPEN pen = CreatePen(PS_SOLID, penWidth, RGB(0, 0, 0));
  const HGDIOBJ oldPen = SelectObject(dc, pen);
  MoveToEx(dc, layout.columnLeft[0], layout.ruleY, nullptr);
  LineTo(dc, layout.columnLeft[count], layout.ruleY);
  SelectObject(dc, oldPen);
  DeleteObject(pen);

  if (job.cellText) {
    SelectedFont font(dc, false);
    const int first = page * layout.rowsPerPage;
    const int last = std::min(std::max(0, job.rowCount), first + layout.rowsPerPage);
    for (int row = first; row < last; ++row) {
      const int top = layout.firstRowTop + (row - first) * lineHeight;
      for (int c = 0; c < count; ++c)
        DrawCell(dc, layout.columnLeft[c], layout.columnLeft[c + 1], top, lineHeight, padding,
                 job.cellText(row, c));
    }
  }
  RestoreDC(dc, saved);
}

int PrintListPages(HDC metricsDc, SIZE pageSize, const ListPrintJob& job, PageSink& sink) {
  const ListPageLayout layout = LayOutListPages(metricsDc, pageSize, job);
  for (int page = 0; page < layout.pageCount; ++page) {
    HDC dc = sink.BeginPage();
    if (dc == nullptr) return -1;
    DrawListPage(dc, pageSize, layout, job, page);
    if (!sink.EndPage()) return -1;
  }
  return layout.pageCount;
}

int PrintListDocument(HDC printer, const ListPrintJob& job) {
  DOCINFOA info = {};
  info.cbSize = sizeof(info);
  info.lpszDocName = job.title.c_str();
  if (StartDocA(printer, &info) <= 0) {
    AbortDoc(printer);
    return -1;
  }
  const SIZE page = {GetDeviceCaps(printer, HORZRES), GetDeviceCaps(printer, VERTRES)};
  PrinterPages sink(printer);
  const int pages = PrintListPages(printer, page, job, sink);
  if (pages < 0) {
    AbortDoc(printer);
    return -1;
  }
  if (EndDoc(printer) <= 0) return -1;
  return pages;
}

}  // namespace tarvel
