// Test control of the stand-in's device files: the USB printers' device
// paths that CreateFileA opens and one ReadFile reads.
#pragma once

#include <string>
#include <vector>

#include "standin/base.h"

namespace standin {

// A device path such as "\\?\usb#vid_8888&pid_0026&mi_02#...#{...}"
// (compared without regard to letter case). Each handle opened on it gets
// `readData` from its first ReadFile (as much as the read asks for); later
// reads on that handle return 0 bytes.
void InstallDeviceFile(const std::string& devicePath, std::vector<unsigned char> readData);
void RemoveDeviceFile(const std::string& devicePath);
// CreateFileA on the path fails with `error` while the device stays listed.
void FailDeviceOpen(const std::string& devicePath, DWORD error = ERROR_ACCESS_DENIED);
// Successful opens of the device path since the last Reset.
int DeviceOpenCount(const std::string& devicePath);

}  // namespace standin
