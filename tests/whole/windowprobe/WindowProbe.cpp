// windowprobe.exe: looks at and pokes the windows of another program from outside, for the
// whole-program tests. Every command names a top-level window by its class (the first one that
// FindWindowA finds), or by class and title as CLASS:TITLE (a dialog: "#32770:Open"), and prints
// plain "\n"-ended lines:
//
//   window CLASS                         HWND PID VISIBLE FOREGROUND LEFT TOP WIDTH HEIGHT "TITLE"
//   ping CLASS TIMEOUTMS                 SendMessageTimeout(WM_NULL); prints the milliseconds
//   send CLASS MSG WPARAM LPARAM TIMEOUTMS   SendMessageTimeout; prints the result
//   post CLASS MSG WPARAM LPARAM         PostMessage
//   move CLASS X Y WIDTH HEIGHT          SetWindowPos (no z-order change, no activation)
//   list-send CLASS MSG WPARAM LPARAM TIMEOUTMS  SendMessageTimeout to the window's list view
//                                        child (messages without pointers, e.g.
//                                        LVM_SETCOLUMNWIDTH); prints the result
//   rows CLASS                           the rows of the window's list view child:
//                                        "count N", then "ROW IMAGE" and the texts of the first
//                                        five columns (or as many as it has), each after a tab
//   cell CLASS ROW COLUMN                where a cell of that list view lies, in screen and in the
//                                        list's client coordinates: "screen L T R B client L T R B"
//   set-text TITLE ID TEXT               WM_SETTEXT to the control ID (at any depth) of the visible
//                                        dialog with this title, e.g. a file dialog's name box
//   hold-file PATH MS                    opens PATH for reading and writing with no sharing, prints
//                                        "held", keeps it open MS milliseconds, then closes it
//
// The list view lives in the other process, so its items are read through a buffer allocated
// there (VirtualAllocEx) and copied back (ReadProcessMemory). Exit codes: 0 done, 1 no such
// window, it did not answer in time, or the memory could not be reached; 2 bad command line.
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kNotMet = 1;
constexpr int kUsage = 2;

constexpr int kMaxColumns = 5;
constexpr int kTextChars = 512;
constexpr UINT kListTimeoutMs = 2000;

bool ParseNumber(const char* text, long long* value) {
  char* end = nullptr;
  *value = std::strtoll(text, &end, 0);
  if (end == text || *end != '\0') {
    std::fprintf(stderr, "windowprobe: \"%s\" is not a number\n", text);
    return false;
  }
  return true;
}

// CLASS, or CLASS:TITLE for a window of that class with exactly that title (a dialog:
// #32770:TITLE).
HWND FindTopLevel(const std::string& target) {
  const size_t colon = target.find(':');
  const std::string className = target.substr(0, colon);
  const char* title = colon == std::string::npos ? nullptr : target.c_str() + colon + 1;
  HWND window = FindWindowA(className.c_str(), title);
  if (window == nullptr) std::fprintf(stderr, "windowprobe: no window %s\n", target.c_str());
  return window;
}

int Window(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char title[256] = "";
  GetWindowTextA(window, title, sizeof(title));
  std::printf("0x%08llX %lu %d %d %ld %ld %ld %ld \"%s\"\n",
              static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)), pid,
              IsWindowVisible(window) ? 1 : 0, GetForegroundWindow() == window ? 1 : 0, rect.left,
              rect.top, rect.right - rect.left, rect.bottom - rect.top, title);
  return kOk;
}

int Ping(HWND window, long long timeoutMs) {
  LARGE_INTEGER frequency;
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  DWORD_PTR result = 0;
  const bool answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL,
                                            static_cast<UINT>(timeoutMs), &result) != 0;
  QueryPerformanceCounter(&end);
  std::printf("%.3f\n", static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                            static_cast<double>(frequency.QuadPart));
  if (answered) return kOk;
  std::fprintf(stderr, "windowprobe: no answer within %lld ms\n", timeoutMs);
  return kNotMet;
}

BOOL CALLBACK FindListView(HWND child, LPARAM data) {
  char className[64] = "";
  GetClassNameA(child, className, sizeof(className));
  if (lstrcmpiA(className, WC_LISTVIEWA) != 0) return TRUE;
  *reinterpret_cast<HWND*>(data) = child;
  return FALSE;
}

HWND ListViewOf(HWND window) {
  HWND list = nullptr;
  EnumChildWindows(window, FindListView, reinterpret_cast<LPARAM>(&list));
  if (list == nullptr) std::fprintf(stderr, "windowprobe: the window has no list view\n");
  return list;
}

int Send(HWND window, const long long (&args)[4]) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(window, static_cast<UINT>(args[0]), static_cast<WPARAM>(args[1]),
                          static_cast<LPARAM>(args[2]), SMTO_NORMAL, static_cast<UINT>(args[3]),
                          &result) == 0) {
    std::fprintf(stderr, "windowprobe: no answer within %lld ms\n", args[3]);
    return kNotMet;
  }
  std::printf("%lld\n", static_cast<long long>(result));
  return kOk;
}

// A buffer inside another process, freed with the object.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size) : process_(process) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  char* address() const { return static_cast<char*>(address_); }
  bool Write(size_t offset, const void* data, size_t size) const {
    return WriteProcessMemory(process_, address() + offset, data, size, nullptr) != 0;
  }
  bool Read(size_t offset, void* data, size_t size) const {
    return ReadProcessMemory(process_, address() + offset, data, size, nullptr) != 0;
  }

 private:
  HANDLE process_;
  void* address_ = nullptr;
};

// One list view item (or subitem) asked for through the remote buffer: the image of column 0
// and the text of `column`.
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

int Rows(HWND window) {
  HWND list = ListViewOf(window);
  if (list == nullptr) return kNotMet;
  DWORD_PTR count = 0;
  if (SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kListTimeoutMs, &count) == 0) {
    std::fprintf(stderr, "windowprobe: the list view did not answer\n");
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

  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) {
    std::fprintf(stderr, "windowprobe: cannot open process %lu\n", pid);
    return kNotMet;
  }
  int status = kOk;
  {
    RemoteBuffer buffer(process, sizeof(LVITEMA) + kTextChars + 1);
    for (int row = 0; row < static_cast<int>(count) && status == kOk; ++row) {
      int image = -1;
      std::string line;
      for (int column = 0; column < static_cast<int>(columns); ++column) {
        std::string text;
        if (buffer.address() == nullptr || !ReadCell(list, buffer, row, column, &image, &text)) {
          std::fprintf(stderr, "windowprobe: row %d column %d could not be read\n", row, column);
          status = kNotMet;
          break;
        }
        line += '\t';
        line += text;
      }
      if (status == kOk) std::printf("%d %d%s\n", row, image, line.c_str());
    }
  }
  CloseHandle(process);
  return status;
}

// The screen and client rectangles of one cell of the window's list view: the label of column 0,
// the whole cell of the other columns.
int Cell(HWND window, long long row, long long column) {
  HWND list = ListViewOf(window);
  if (list == nullptr) return kNotMet;
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) {
    std::fprintf(stderr, "windowprobe: cannot open process %lu\n", pid);
    return kNotMet;
  }
  RECT rect = {};
  rect.top = static_cast<LONG>(column);
  rect.left = column == 0 ? LVIR_LABEL : LVIR_BOUNDS;
  bool read = false;
  {
    RemoteBuffer buffer(process, sizeof(RECT));
    DWORD_PTR result = 0;
    read = buffer.address() != nullptr && buffer.Write(0, &rect, sizeof(rect)) &&
           SendMessageTimeoutA(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row),
                               reinterpret_cast<LPARAM>(buffer.address()), SMTO_NORMAL,
                               kListTimeoutMs, &result) != 0 &&
           result != 0 && buffer.Read(0, &rect, sizeof(rect));
  }
  CloseHandle(process);
  if (!read) {
    std::fprintf(stderr, "windowprobe: no cell at row %lld column %lld\n", row, column);
    return kNotMet;
  }
  POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
  MapWindowPoints(list, nullptr, corners, 2);
  std::printf("screen %ld %ld %ld %ld client %ld %ld %ld %ld\n", corners[0].x, corners[0].y,
              corners[1].x, corners[1].y, rect.left, rect.top, rect.right, rect.bottom);
  return kOk;
}

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindControl(HWND control, LPARAM data) {
  auto* search = reinterpret_cast<ControlSearch*>(data);
  if (GetDlgCtrlID(control) != search->id) return TRUE;
  search->found = control;
  return FALSE;
}

int SetText(const char* title, const char* idText, const char* text) {
  long long id;
  if (!ParseNumber(idText, &id)) return kUsage;
  HWND dialog = FindWindowA("#32770", title);
  if (dialog == nullptr || !IsWindowVisible(dialog)) {
    std::fprintf(stderr, "windowprobe: no visible dialog \"%s\"\n", title);
    return kNotMet;
  }
  ControlSearch search{static_cast<int>(id), nullptr};
  EnumChildWindows(dialog, FindControl, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) {
    std::fprintf(stderr, "windowprobe: dialog \"%s\" has no control %lld\n", title, id);
    return kNotMet;
  }
  // The system copies the text into the other process for WM_SETTEXT.
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(search.found, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                          kListTimeoutMs, &result) == 0 ||
      result == 0) {
    std::fprintf(stderr, "windowprobe: control %lld did not take the text\n", id);
    return kNotMet;
  }
  return kOk;
}

// Stands for another program that has the file open and lets nobody else in.
int HoldFile(const char* path, const char* millisecondsText) {
  long long milliseconds;
  if (!ParseNumber(millisecondsText, &milliseconds) || milliseconds < 0) return kUsage;
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "windowprobe: cannot open %s (error %lu)\n", path, GetLastError());
    return kNotMet;
  }
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(milliseconds));
  CloseHandle(file);
  return kOk;
}

int Usage() {
  std::fprintf(stderr,
               "usage: windowprobe window CLASS | ping CLASS TIMEOUTMS |\n"
               "       send CLASS MSG WPARAM LPARAM TIMEOUTMS | post CLASS MSG WPARAM LPARAM |\n"
               "       move CLASS X Y WIDTH HEIGHT | rows CLASS |\n"
               "       list-send CLASS MSG WPARAM LPARAM TIMEOUTMS | cell CLASS ROW COLUMN |\n"
               "       set-text TITLE ID TEXT | hold-file PATH MS\n");
  return kUsage;
}

int Run(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  // Commands whose arguments are not all numbers.
  if (command == "set-text") return argc == 5 ? SetText(argv[2], argv[3], argv[4]) : Usage();
  if (command == "hold-file") return argc == 4 ? HoldFile(argv[2], argv[3]) : Usage();
  std::vector<long long> numbers;
  for (int i = 3; i < argc; ++i) {
    long long value;
    if (!ParseNumber(argv[i], &value)) return kUsage;
    numbers.push_back(value);
  }
  const size_t count = numbers.size();
  const bool known = (command == "window" && count == 0) || (command == "ping" && count == 1) ||
                     (command == "send" && count == 4) || (command == "post" && count == 3) ||
                     (command == "move" && count == 4) || (command == "rows" && count == 0) ||
                     (command == "list-send" && count == 4) || (command == "cell" && count == 2);
  if (!known) return Usage();

  HWND window = FindTopLevel(argv[2]);
  if (window == nullptr) return kNotMet;
  if (command == "window") return Window(window);
  if (command == "ping") return Ping(window, numbers[0]);
  if (command == "send") return Send(window, {numbers[0], numbers[1], numbers[2], numbers[3]});
  if (command == "post") {
    return PostMessageA(window, static_cast<UINT>(numbers[0]), static_cast<WPARAM>(numbers[1]),
                        static_cast<LPARAM>(numbers[2]))
               ? kOk
               : kNotMet;
  }
  if (command == "move") {
    return SetWindowPos(window, nullptr, static_cast<int>(numbers[0]), static_cast<int>(numbers[1]),
                        static_cast<int>(numbers[2]), static_cast<int>(numbers[3]),
                        SWP_NOZORDER | SWP_NOACTIVATE)
               ? kOk
               : kNotMet;
  }
  if (command == "cell") return Cell(window, numbers[0], numbers[1]);
  if (command == "list-send") {
    HWND list = ListViewOf(window);
    if (list == nullptr) return kNotMet;
    return Send(list, {numbers[0], numbers[1], numbers[2], numbers[3]});
  }
  return Rows(window);
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  const int result = Run(argc, argv);
  std::fflush(stdout);
  return result;
}
