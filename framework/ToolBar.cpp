#include "framework/ToolBar.h"

namespace tarvel::fw {

namespace {

// A toolbar resource (RT_TOOLBAR): button width and height, count, then one command per button,
// 0 for a separator. Microsoft's resource compiler writes 16-bit words after a version word of 1;
// GNU windres writes 32-bit values and no version. A 16-bit layout has a non-zero width in its
// second word, which in the 32-bit layout is the upper half of the width.
class ToolBarResource {
 public:
  ToolBarResource(const void* data, DWORD size)
      : words_(static_cast<const WORD*>(data)), size_(size), wide_(size >= 4 && words_[1] == 0) {}
  bool IsValid() const {
    if (size_ < 8) return false;
    if (!wide_ && words_[0] != 1) return false;
    const DWORD needed = wide_ ? 4u * (3 + Count()) : 2u * (4 + Count());
    return Count() >= 0 && size_ >= needed;
  }
  int Width() const { return static_cast<int>(Field(0)); }
  int Height() const { return static_cast<int>(Field(1)); }
  int Count() const { return static_cast<int>(Field(2)); }
  UINT Item(int index) const { return Field(3 + index); }

 private:
  UINT Field(int index) const {
    if (!wide_) return words_[1 + index];
    return words_[2 * index] | (static_cast<UINT>(words_[2 * index + 1]) << 16);
  }
  const WORD* words_;
  DWORD size_;
  bool wide_;
};

constexpr WORD kToolBarType = 241;  // RT_TOOLBAR

}  // namespace

ToolBar::~ToolBar() {
  if (images_ != nullptr) ImageList_Destroy(images_);
}

bool ToolBar::Create(HWND parent, DWORD style, int id) {
  hwnd_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", style, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleA(nullptr), nullptr);
  if (hwnd_ == nullptr) return false;
  SendMessageA(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  return true;
}

bool ToolBar::LoadToolBar(int resourceId) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HRSRC found =
      FindResourceA(instance, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(kToolBarType));
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(instance, found);
  const void* data = LockResource(loaded);
  if (data == nullptr) return false;
  const ToolBarResource resource(data, SizeofResource(instance, found));
  if (!resource.IsValid() || resource.Count() > kMaxButtons) return false;
  const int count = resource.Count();

  if (!LoadImages(resourceId, resource.Width(), resource.Height())) return false;

  TBBUTTON buttons[kMaxButtons] = {};
  int image = 0;
  buttonCount_ = count;
  for (int i = 0; i < buttonCount_; ++i) {
    commands_[i] = resource.Item(i);
    TBBUTTON& button = buttons[i];
    button.idCommand = static_cast<int>(commands_[i]);
    if (commands_[i] == 0) {
      button.fsStyle = BTNS_SEP;
    } else {
      button.iBitmap = image++;
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_BUTTON;
    }
  }
  SendMessageA(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  SendMessageA(hwnd_, TB_ADDBUTTONSA, buttonCount_, reinterpret_cast<LPARAM>(buttons));
  SendMessageA(hwnd_, TB_AUTOSIZE, 0, 0);
  return true;
}

bool ToolBar::LoadImages(int bitmapId, int width, int height) {
  HBITMAP bitmap =
      static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId),
                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return false;
  HIMAGELIST images = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, kMaxButtons, 0);
  const int added = images != nullptr ? ImageList_AddMasked(images, bitmap, kMaskColor) : -1;
  DeleteObject(bitmap);
  if (added < 0) {
    if (images != nullptr) ImageList_Destroy(images);
    return false;
  }
  if (images_ != nullptr) ImageList_Destroy(images_);
  images_ = images;
  return true;
}

bool ToolBar::SetImages(int bitmapId, int width, int height) {
  HIMAGELIST old = images_;
  images_ = nullptr;
  if (!LoadImages(bitmapId, width, height)) {
    images_ = old;
    return false;
  }
  SendMessageA(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  SendMessageA(hwnd_, TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
  SendMessageA(hwnd_, TB_AUTOSIZE, 0, 0);
  if (old != nullptr) ImageList_Destroy(old);
  return true;
}

SIZE ToolBar::ImageSize() const {
  int cx = 0;
  int cy = 0;
  if (images_ != nullptr) ImageList_GetIconSize(images_, &cx, &cy);
  return SIZE{cx, cy};
}

SIZE ToolBar::IdealSize() const {
  SIZE size = {};
  SendMessageA(hwnd_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
  return size;
}

bool ReBar::Create(HWND parent, DWORD style, int id) {
  hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, "", style, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleA(nullptr), nullptr);
  if (hwnd_ == nullptr) return false;
  REBARINFO info = {};
  info.cbSize = sizeof(info);
  return SendMessageA(hwnd_, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

bool ReBar::AddBar(HWND child, SIZE minSize, UINT bandStyle) const {
  REBARBANDINFOA band = {};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID;
  band.fStyle = bandStyle;
  band.hwndChild = child;
  band.cxMinChild = static_cast<UINT>(minSize.cx);
  band.cyMinChild = static_cast<UINT>(minSize.cy);
  band.cx = static_cast<UINT>(minSize.cx);
  band.wID = static_cast<UINT>(GetDlgCtrlID(child));
  return SendMessageA(hwnd_, RB_INSERTBANDA, static_cast<WPARAM>(-1),
                      reinterpret_cast<LPARAM>(&band)) != 0;
}

bool ReBar::IsBandVisible(int index) const {
  REBARBANDINFOA band = {};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_STYLE;
  if (!SendMessageA(hwnd_, RB_GETBANDINFOA, index, reinterpret_cast<LPARAM>(&band))) return false;
  return (band.fStyle & RBBS_HIDDEN) == 0;
}

bool ReBar::SetBandMinSize(int index, SIZE minSize) const {
  REBARBANDINFOA band = {};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE;
  band.cxMinChild = static_cast<UINT>(minSize.cx);
  band.cyMinChild = static_cast<UINT>(minSize.cy);
  band.cx = static_cast<UINT>(minSize.cx);
  return SendMessageA(hwnd_, RB_SETBANDINFOA, index, reinterpret_cast<LPARAM>(&band)) != 0;
}

int ReBar::Height() const {
  if (hwnd_ == nullptr || !IsWindowVisible(hwnd_)) return 0;
  RECT rect = {};
  GetWindowRect(hwnd_, &rect);
  return rect.bottom - rect.top;
}

}  // namespace tarvel::fw
