// Device notifications: the registrations are recorded; events reach a
// service through its control handler (PostServiceControl).
#include <cstring>
#include <mutex>

#include "standin/control.h"
#include "standin/control_service.h"

namespace {
struct Notifications {
  std::mutex mutex;
  std::vector<standin::DeviceNotification> registered;
  std::vector<void*> handles;
};
Notifications& notifications() {
  static auto* n = new Notifications;
  return *n;
}
void ResetNotifications() {
  std::lock_guard<std::mutex> lock(notifications().mutex);
  notifications().registered.clear();
  notifications().handles.clear();
}
const bool registered = standin::RegisterResetHook(&ResetNotifications);
}  // namespace

HDEVNOTIFY WINAPI RegisterDeviceNotificationA(HANDLE hRecipient, LPVOID NotificationFilter,
                                              DWORD Flags) {
  STANDIN_ENTER("RegisterDeviceNotificationA", nullptr);
  if (hRecipient == nullptr || NotificationFilter == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DWORD size = 0;
  std::memcpy(&size, NotificationFilter, sizeof(size));
  if (size < offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  standin::DeviceNotification n{hRecipient, Flags, {}};
  std::memcpy(&n.filter, NotificationFilter,
              size < sizeof(n.filter) ? size : sizeof(n.filter));
  void* h = standin::OpenHandle(standin::HandleKind::DeviceNotify);
  std::lock_guard<std::mutex> lock(notifications().mutex);
  notifications().registered.push_back(n);
  return h;
}

BOOL WINAPI UnregisterDeviceNotification(HDEVNOTIFY Handle) {
  STANDIN_ENTER("UnregisterDeviceNotification", FALSE);
  if (!standin::CloseHandleOf(Handle, standin::HandleKind::DeviceNotify)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

namespace standin {
std::vector<DeviceNotification> DeviceNotifications() {
  std::lock_guard<std::mutex> lock(notifications().mutex);
  return notifications().registered;
}
}  // namespace standin
