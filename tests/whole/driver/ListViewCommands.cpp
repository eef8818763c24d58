// Commands for the list view of another program's window: its rows, where a cell lies, and
// messages without pointers. The list lives in the other process, so its items are read through
// a buffer allocated there (VirtualAllocEx) and copied back (ReadProcessMemory).
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "Driver.h"

namespace tarveldrive {
namespace {

constexpr int kMaxColumns = 5;
constexpr int kTextChars = 512;
constexpr UINT kListTimeoutMs = 2000;

BOOL CALLBACK FindListView(HWND child, LPARAM data) {
  char className[64] = "";
  GetClassNameA(child, className, sizeof(className));
  if (lstrcmpiA(className, WC_LISTVIEWA) != 0) return TRUE;
  *reinterpret_cast<HWND*>(data) = child;
  return FALSE;
}

// The list view child of the window named by `target`, or null with the reason printed.
HWND ListViewOf(const std::string& target) {
  HWND window = FindTopLevel(target);
  if (window == nullptr) return nullptr;
  HWND list = nullptr;
  EnumChildWindows(window, FindListView, reinterpret_cast<LPARAM>(&list));
  if (list == nullptr) std::fprintf(stderr, "tarveldrive: %s has no list view\n", target.c_str());
  return list;
}

// A buffer inside the process of a window, freed with the object.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_ == nullptr) {
      std::fprintf(stderr, "tarveldrive: cannot open process %lu\n", pid);
      return;
    }
    address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (address_ == nullptr) std::fprintf(stderr, "tarveldrive: no memory in process %lu\n", pid);
  }
  ~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool IsReady() const { return address_ != nullptr; }
  char* address() const { return static_cast<char*>(address_); }
  bool Write(size_t offset, const void* data, size_t size) const {
    return WriteProcessMemory(process_, address() + offset, data, size, nullptr) != 0;
  }
  bool Read(size_t offset, void* data, size_t size) const {
    return ReadProcessMemory(process_, address() + offset, data, size, nullptr) != 0;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

// One item (or subitem) asked for through the remote buffer: the image of column 0 and the text
// of `column`.
bool ReadCell(HWND list, const RemoteBuffer& buffer, int row, int column, int* image,
              std::string* text) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | (column == 0 ? LVIF_IMAGE : 0);
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = buffer.address() + sizeof(LVITEMA);
  item.cchTextMax = kTextChars;
  const char empty = '\0';
  if (!buffer.Write(0, &item, sizeof(item)) || !buffer.Write(sizeof(LVITEMA), &empty, 1)) {
    return false;
  }
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(buffer.address()),
                          SMTO_NORMAL, kListTimeoutMs, &result) == 0 ||
      result == 0) {
    return false;
  }
  char chars[kTextChars + 1] = "";
  if (!buffer.Read(0, &item, sizeof(item)) || !buffer.Read(sizeof(LVITEMA), chars, kTextChars)) {
    return false;
  }
  chars[kTextChars] = '\0';
  if (column == 0) *image = item.iImage;
  *text = chars;
  return true;
}

int Rows(Context& context) {
  HWND list = ListViewOf(context.args[0]);
  if (list == nullptr) return kNotMet;
  DWORD_PTR count = 0;
  if (SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kListTimeoutMs, &count) == 0) {
    std::fprintf(stderr, "tarveldrive: the list view did not answer\n");
    return kNotMet;
  }
  std::printf("count %lld\n", static_cast<long long>(count));
  // The first five columns, or as many as the list has.
  DWORD_PTR columns = kMaxColumns;
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  if (header != nullptr &&
      SendMessageTimeoutA(header, HDM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kListTimeoutMs, &columns) !=
          0 &&
      static_cast<int>(columns) > kMaxColumns) {
    columns = kMaxColumns;
  }
  RemoteBuffer buffer(list, sizeof(LVITEMA) + kTextChars + 1);
  if (!buffer.IsReady()) return kNotMet;
  for (int row = 0; row < static_cast<int>(count); ++row) {
    int image = -1;
    std::string line;
    for (int column = 0; column < static_cast<int>(columns); ++column) {
      std::string text;
      if (!ReadCell(list, buffer, row, column, &image, &text)) {
        std::fprintf(stderr, "tarveldrive: row %d column %d could not be read\n", row, column);
        return kNotMet;
      }
      line += '\t';
      line += text;
    }
    std::printf("%d %d%s\n", row, image, line.c_str());
  }
  return kOk;
}

// The screen and client rectangles of one cell: the label of column 0, the whole cell of the
// other columns.
int Cell(Context& context) {
  long long row;
  long long column;
  if (!ParseNumber(context.args[1], &row) || !ParseNumber(context.args[2], &column)) {
    return kUsage;
  }
  HWND list = ListViewOf(context.args[0]);
  if (list == nullptr) return kNotMet;
  RECT rect = {};
  rect.top = static_cast<LONG>(column);
  rect.left = column == 0 ? LVIR_LABEL : LVIR_BOUNDS;
  RemoteBuffer buffer(list, sizeof(RECT));
  DWORD_PTR result = 0;
  const bool read = buffer.IsReady() && buffer.Write(0, &rect, sizeof(rect)) &&
                    SendMessageTimeoutA(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row),
                                        reinterpret_cast<LPARAM>(buffer.address()), SMTO_NORMAL,
                                        kListTimeoutMs, &result) != 0 &&
                    result != 0 && buffer.Read(0, &rect, sizeof(rect));
  if (!read) {
    std::fprintf(stderr, "tarveldrive: no cell at row %lld column %lld\n", row, column);
    return kNotMet;
  }
  POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
  MapWindowPoints(list, nullptr, corners, 2);
  std::printf("screen %ld %ld %ld %ld client %ld %ld %ld %ld\n", corners[0].x, corners[0].y,
              corners[1].x, corners[1].y, rect.left, rect.top, rect.right, rect.bottom);
  return kOk;
}

int ListSend(Context& context) {
  long long n[4];
  for (int i = 0; i < 4; ++i) {
    if (!ParseNumber(context.args[1 + i], &n[i])) return kUsage;
  }
  HWND list = ListViewOf(context.args[0]);
  if (list == nullptr) return kNotMet;
  return SendWithTimeout(list, static_cast<UINT>(n[0]), static_cast<WPARAM>(n[1]),
                         static_cast<LPARAM>(n[2]), static_cast<UINT>(n[3]));
}

}  // namespace

const Command kListViewCommands[] = {
    {"rows", 1, 1,
     "WINDOW  the rows of the window's list view: \"count N\", then ROW IMAGE and the texts of "
     "the first five columns, each after a tab",
     Rows},
    {"cell", 3, 3,
     "WINDOW ROW COLUMN  where a cell of the list view lies: \"screen L T R B client L T R B\"",
     Cell},
    {"list-send", 5, 5,
     "WINDOW MSG WPARAM LPARAM TIMEOUTMS  SendMessageTimeout to the list view (messages without "
     "pointers); print the result",
     ListSend},
    {nullptr, 0, 0, nullptr, nullptr},
};

}  // namespace tarveldrive
