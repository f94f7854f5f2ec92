// Discovery of the attached USB label printers (interface 2 of devices with
// vendor ID 8888 and product ID 0026) and the read of their configuration
// block.
#pragma once

#include "platform/win32.h"

// Slots of 256 bytes: a path of at most 255 characters and its terminator.
constexpr int kDevicePathSize = 256;
// EnumPrinterDevices fills one slot per enumeration index below 16.
constexpr int kRawDeviceSlots = 16;
// szDevicePath: the compacted table of the first ten slots.
constexpr int kDevicePathEntries = 10;
// One plain read returns at most this many bytes of the configuration block.
constexpr int kPrinterConfigSize = 255;

// GUID_DEVINTERFACE_USBPRINT, the class of USB printer interfaces.
extern const GUID kUsbPrintInterfaceClass;

// The match rule on a lower-cased device path: "vid_8888&pid_0026" at
// offsets 8 to 24 (any case) and "mi_02" anywhere.
bool IsLabelPrinterPath(const char* path);

// Fills the raw table (16 zero-filled slots) by enumeration index.
void EnumPrinterDevices(char (*rawSlots)[kDevicePathSize]);
// Fills pszDevPath (10 zero-filled entries) with the paths of raw slots 0 to
// 9, in slot order, without gaps.
void GetDevicePaths(char (*pszDevPath)[kDevicePathSize]);
// The number of attached label printers, 0 to 10, from a fresh enumeration.
int CountPrinterDevices();

HANDLE OpenUsbPort(const char* path);
// Reads the configuration block into `block` (at least 255 zero-filled
// bytes); on failure the block is left as it was.
void GetPrinterConfig(const char* pszDevPath, unsigned char* block);
