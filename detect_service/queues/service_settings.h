// The installation values of the service, read again at every run.
#pragma once

constexpr int kNameBufferSize = 256;

extern char szPrinterName[kNameBufferSize];  // base name of every queue name
extern char szDriverName[kNameBufferSize];   // the driver of the service's queues
extern char szPrinterPort[kNameBufferSize];  // the port of the queues it adds

// Reads "PrinterName", "DriverName" and "PrinterPort" from HKLM
// "SOFTWARE\<service name>" (created when missing). When the key does not
// open, the values of the previous run stay.
void ReadServiceSettings();
