// SetupAPI: device information sets over the USB printer interfaces that a
// test attached. A set is a snapshot taken when it is created.
#include <cstring>
#include <map>
#include <mutex>

#include "standin/control.h"
#include "standin/control_setupapi.h"
#include "standin/setupapi.h"

namespace {
struct SetupState {
  std::mutex mutex;
  std::map<DWORD, std::string> attached;                // index -> device path
  std::map<void*, std::map<DWORD, std::string>> sets;  // set -> snapshot
};
SetupState& state() {
  static auto* s = new SetupState;
  return *s;
}
void ResetSetup() {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().attached.clear();
  state().sets.clear();
}
const bool registered = standin::RegisterResetHook(&ResetSetup);

const GUID kUsbPrint = {0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};

bool SameGuid(const GUID* a, const GUID& b) {
  return a != nullptr && std::memcmp(a, &b, sizeof(GUID)) == 0;
}
}  // namespace

namespace standin {
const GUID& UsbPrintInterfaceClass() { return kUsbPrint; }

void AttachUsbPrintInterface(DWORD index, const std::string& devicePath) {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().attached[index] = devicePath;
}

void DetachUsbPrintInterface(DWORD index) {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().attached.erase(index);
}
}  // namespace standin

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, LPCSTR, HWND, DWORD Flags) {
  STANDIN_ENTER("SetupDiGetClassDevsA", INVALID_HANDLE_VALUE);
  if (!(Flags & DIGCF_ALLCLASSES) && ClassGuid == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  void* h = standin::OpenHandle(standin::HandleKind::DevInfo);
  std::lock_guard<std::mutex> lock(state().mutex);
  // Only device interfaces of the USB printer class are known here.
  bool wanted = (Flags & DIGCF_DEVICEINTERFACE) &&
                ((Flags & DIGCF_ALLCLASSES) || SameGuid(ClassGuid, kUsbPrint));
  state().sets[h] = wanted ? state().attached : std::map<DWORD, std::string>{};
  return h;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA,
                                        const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
  STANDIN_ENTER("SetupDiEnumDeviceInterfaces", FALSE);
  if (!standin::IsOpenHandle(DeviceInfoSet, standin::HandleKind::DevInfo)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (DeviceInterfaceData == nullptr || DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(state().mutex);
  const auto& set = state().sets[DeviceInfoSet];
  if (!SameGuid(InterfaceClassGuid, kUsbPrint) || set.find(MemberIndex) == set.end()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  DeviceInterfaceData->InterfaceClassGuid = kUsbPrint;
  DeviceInterfaceData->Flags = 1;  // SPINT_ACTIVE
  DeviceInterfaceData->Reserved = MemberIndex;
  return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(HDEVINFO DeviceInfoSet,
                                             PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_A DeviceInterfaceDetailData,
                                             DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize,
                                             PSP_DEVINFO_DATA) {
  STANDIN_ENTER("SetupDiGetDeviceInterfaceDetailA", FALSE);
  if (!standin::IsOpenHandle(DeviceInfoSet, standin::HandleKind::DevInfo)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (DeviceInterfaceData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string path;
  {
    std::lock_guard<std::mutex> lock(state().mutex);
    const auto& set = state().sets[DeviceInfoSet];
    auto it = set.find(static_cast<DWORD>(DeviceInterfaceData->Reserved));
    if (it == set.end()) {
      SetLastError(ERROR_NO_MORE_ITEMS);
      return FALSE;
    }
    path = it->second;
  }
  DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
  if (RequiredSize != nullptr) *RequiredSize = needed;
  if (DeviceInterfaceDetailData == nullptr) {
    SetLastError(DeviceInterfaceDetailDataSize == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (DeviceInterfaceDetailData->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (DeviceInterfaceDetailDataSize < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(DeviceInterfaceDetailData->DevicePath, path.c_str(), path.size() + 1);
  return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  STANDIN_ENTER("SetupDiDestroyDeviceInfoList", FALSE);
  if (!standin::CloseHandleOf(DeviceInfoSet, standin::HandleKind::DevInfo)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(state().mutex);
  state().sets.erase(DeviceInfoSet);
  return TRUE;
}
