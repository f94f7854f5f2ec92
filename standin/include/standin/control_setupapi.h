// Test control of SetupAPI: the USB printer interfaces (class
// GUID_DEVINTERFACE_USBPRINT) that are present, by enumeration index.
#pragma once

#include <string>

#include "standin/base.h"

namespace standin {

// {28D78FAD-5A12-11D1-AE5B-0000F803A8C2}
const GUID& UsbPrintInterfaceClass();

// An interface of the USB printer class at that enumeration index with that
// device path (as the system reports it). Enumeration ends at the first index
// without an interface, so fill gaps with other interfaces.
void AttachUsbPrintInterface(DWORD index, const std::string& devicePath);
void DetachUsbPrintInterface(DWORD index);

}  // namespace standin
