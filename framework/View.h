#pragma once
#include "framework/CommandTarget.h"
#include "framework/Window.h"

namespace tarvel::fw {

// The client window of the frame that shows the document. It is the first stop of commands.
class View : public Window, public CommandTarget {
 public:
  virtual bool Create(HWND parent, int id) = 0;
  // After a document was made new or read: show it afresh.
  virtual void OnInitialUpdate() = 0;
  // The window moved to a monitor of another pixel density: pictures, fonts and widths follow.
  virtual void OnDpiChanged(int /*oldDpi*/, int /*newDpi*/) {}
  // Notifications and owner-draw messages that the view's control sends to the frame come back
  // here; true when handled, with the result.
  virtual bool OnReflectedMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                                  LRESULT* /*result*/) {
    return false;
  }
};

}  // namespace tarvel::fw
