// Adding, deleting and configuring one queue of the driver.
#pragma once

#include "platform/win32.h"

// Adds the queue "<PrinterName> #<n-1>" with Position n on the installed
// driver and port.
void AddPrinterQueue(int n);
void DeletePrinterQueue(const char* name);
// Writes `value` as print quality and y-resolution into the default device
// mode of the queue open as `printer` (full access; the caller closes it).
void SetResolution(const char* name, int value, HANDLE printer);

// "Position" of an open queue; false when it has none.
bool ReadPosition(HANDLE printer, DWORD* position);
void WritePosition(HANDLE printer, DWORD position);

// Opens a queue by name with PRINTER_ALL_ACCESS; null when it does not open.
HANDLE OpenQueueForChange(const char* name);
