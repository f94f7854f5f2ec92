#include "detect_service/queues/queue_ops.h"

#include <cstring>
#include <string>

#include "detect_service/queues/queue_naming.h"
#include "detect_service/queues/service_settings.h"
#include "settings_store/trace.h"

bool ReadPosition(HANDLE printer, DWORD* position) {
  DWORD type = 0;
  DWORD value = 0;
  DWORD needed = 0;
  char valueName[] = "Position";
  if (GetPrinterDataA(printer, valueName, &type, reinterpret_cast<LPBYTE>(&value), sizeof(value), &needed) !=
      ERROR_SUCCESS)
    return false;
  *position = value;
  return true;
}

void WritePosition(HANDLE printer, DWORD position) {
  char valueName[] = "Position";
  SetPrinterDataA(printer, valueName, REG_DWORD, reinterpret_cast<LPBYTE>(&position), sizeof(position));
}

HANDLE OpenQueueForChange(const char* name) {
  PRINTER_DEFAULTSA defaults;
  std::memset(&defaults, 0, sizeof(defaults));
  defaults.DesiredAccess = PRINTER_ALL_ACCESS;
  HANDLE printer = nullptr;
  if (!OpenPrinterA(const_cast<LPSTR>(name), &printer, &defaults)) return nullptr;
  return printer;
}

void AddPrinterQueue(int n) {
  std::string name = AddedQueueName(szPrinterName, n);
  char empty[] = "";
  char printProcessor[] = "WinPrint";
  char datatype[] = "RAW";
  PRINTER_INFO_2A info;
  std::memset(&info, 0, sizeof(info));
  info.pPrinterName = const_cast<LPSTR>(name.c_str());
  info.pShareName = const_cast<LPSTR>(name.c_str());
  info.pPortName = szPrinterPort;
  info.pDriverName = szDriverName;
  info.pSepFile = empty;
  info.pPrintProcessor = printProcessor;
  info.pDatatype = datatype;
  info.pParameters = empty;
  info.Attributes = PRINTER_ATTRIBUTE_DEFAULT;
  HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  if (printer == nullptr) {
    WriteTrace("AddPrinter ErrorCode=%d\r\n", static_cast<int>(GetLastError()));
    return;
  }
  WritePosition(printer, static_cast<DWORD>(n));
  WriteTrace("AddPrinter Successfully PrintName=%s\r\n", name.c_str());
  ClosePrinter(printer);
}

void DeletePrinterQueue(const char* name) {
  HANDLE printer = OpenQueueForChange(name);
  if (printer == nullptr) return;
  DeletePrinter(printer);
  ClosePrinter(printer);
}
