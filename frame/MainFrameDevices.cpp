// The main frame's side of controllers plugged in and pulled out: the notifications, the pass
// that enumerates them once the notifications have settled, and the balloon for controllers
// that the configuration does not know.
#include "frame/MainFrame.h"
// <dbt.h> needs <windows.h>, which MainFrame.h brings, first.
#include <dbt.h>

#include <algorithm>
#include <string>

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"

namespace tarvel {

namespace {

// The device interface class of HID devices, game controllers among them (GUID_DEVINTERFACE_HID).
constexpr GUID kHidInterfaceClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

}  // namespace

void CMainFrame::RegisterForDeviceChanges() {
  // Arrivals and removals of HID devices; DBT_DEVNODES_CHANGED comes to every top-level
  // window without it. The program works without either, with Refresh.
  DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kHidInterfaceClass;
  deviceNotification_ = RegisterDeviceNotificationA(Handle(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void CMainFrame::UnregisterForDeviceChanges() {
  if (deviceNotification_ == nullptr) return;
  UnregisterDeviceNotification(deviceNotification_);
  deviceNotification_ = nullptr;
}

void CMainFrame::OnDeviceChange(WPARAM event, LPARAM data) {
  bool controllers = event == DBT_DEVNODES_CHANGED;
  if ((event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE) && data != 0) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    controllers = header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE;
  }
  if (!controllers) return;
  devicePassPending_ = true;
  devicesChangedMs_ = GetTickCount64();
}

void CMainFrame::RunPendingDevicePass() {
  if (!devicePassPending_ || GetTickCount64() - devicesChangedMs_ < kDeviceSettleMs) return;
  // A question or dialog holds rows and slots of the table: the pass waits for its end.
  if (!IsWindowEnabled(Handle()) || document_.DiscoveryOpen()) return;
  devicePassPending_ = false;
  joysticks_.RefreshJoysticks(this);
  document_.ReattachJoysticks();
  AnnounceNewControllers();
}

int CMainFrame::TakeUnknownControllers(Guid* unknown) const {
  int count = 0;
  // A full configuration takes no more controllers: none is news.
  if (document_.recordCount >= kMaxRecords) return 0;
  for (int s = 0; s < joysticks_.count; ++s)
    if (joysticks_.slots[s].recordIndex == -1) unknown[count++] = joysticks_.slots[s].instanceGuid;
  return count;
}

void CMainFrame::AnnounceNewControllers() {
  Guid unknown[kMaxSlots];
  const int count = TakeUnknownControllers(unknown);
  std::string names;
  int fresh = 0;
  for (int u = 0; u < count; ++u) {
    if (std::find(announced_, announced_ + announcedCount_, unknown[u]) !=
        announced_ + announcedCount_)
      continue;
    for (int s = 0; s < joysticks_.count; ++s) {
      // A twin of a known controller shares its GUID: the name is the untied one's.
      if (!(joysticks_.slots[s].instanceGuid == unknown[u]) ||
          joysticks_.slots[s].recordIndex != -1)
        continue;
      names += (fresh++ == 0 ? "" : ", ");
      names += joysticks_.slots[s].productName;
      break;
    }
  }
  // One that went away and comes back is news again.
  std::copy(unknown, unknown + count, announced_);
  announcedCount_ = count;
  if (fresh == 0 || announcer_ == nullptr) return;
  const std::string text = fresh == 1 ? "New controller: " + names + ". Click to add it."
                                      : "New controllers: " + names + ". Click to add them.";
  balloonOffersControllers_ = true;
  announcer_->ShowTrayBalloon(text.c_str());
}

void CMainFrame::ShowStatusText(const char* text) {
  // It stays until the next notice (menu prompts and tooltips come and go over it), over the idle
  // message that may name the profile; a keystroke repeated many times a second redraws the bar
  // only when the text changes.
  SetNotice(text != nullptr ? text : "");
}

void CMainFrame::ShowTrayBalloon(const char* text) {
  if (announcer_ == nullptr) return;
  balloonOffersControllers_ = false;
  announcer_->ShowTrayBalloon(text);
}

}  // namespace tarvel
