#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace tarvel {

// Prints the rows of a report list as a table. Every page has a heading (the document's title
// on the left, "Page N" on the right) and a header line with the column titles; the rows follow
// on as many pages as they need. Columns keep the proportions of the list's columns across the
// printable width, and texts too wide for their column end in "...".

struct PrintColumn {
  const char* title;
  int width;  // the column's width in the list; only the proportions count
};

struct ListPrintJob {
  static constexpr int kMaxColumns = 8;

  std::string title;
  PrintColumn columns[kMaxColumns] = {};
  int columnCount = 0;
  int rowCount = 0;
  std::function<std::string(int row, int column)> cellText;
};

// Where the pages go: each page is begun, drawn on the DC that BeginPage gives, and ended.
class PageSink {
 public:
  // The DC to draw the next page on, or null when the page could not be started.
  virtual HDC BeginPage() = 0;
  // False when the page could not be finished.
  virtual bool EndPage() = 0;

 protected:
  ~PageSink() = default;
};

// Where things go on the pages, in the device units of the pages' DC.
struct ListPageLayout {
  int margin = 0;
  int lineHeight = 0;
  int headingTop = 0;
  int headerTop = 0;
  int ruleY = 0;  // the line under the column titles
  int firstRowTop = 0;
  int rowsPerPage = 1;
  int pageCount = 1;
  int columnLeft[ListPrintJob::kMaxColumns + 1] = {};  // the last entry is the table's right edge
  int cellPadding = 0;
};

// Lays the job out on pages of pageSize (the printable area, in dc's device units). An empty
// list still gets one page, with its heading and column titles.
ListPageLayout LayOutListPages(HDC dc, SIZE pageSize, const ListPrintJob& job);

// Draws page (0 = the first) of the layout on dc.
void DrawListPage(HDC dc, SIZE pageSize, const ListPageLayout& layout, const ListPrintJob& job,
                  int page);

// Lays out the job with the metrics of metricsDc and draws every page into sink. Returns the
// number of pages, or -1 when a page could not be started or finished (no page after it is
// drawn).
int PrintListPages(HDC metricsDc, SIZE pageSize, const ListPrintJob& job, PageSink& sink);

// One print job on a printer's DC: the document, its pages, the end. When the printer refuses
// the document or a page, the job is cancelled (AbortDoc) and the result is -1; otherwise the
// number of pages printed.
int PrintListDocument(HDC printer, const ListPrintJob& job);

// text when it is at most width wide on dc or one character long; else the longest start of it
// that fits together with "..." (never less than its first character).
std::string FitTextToWidth(HDC dc, const std::string& text, int width);

}  // namespace tarvel
