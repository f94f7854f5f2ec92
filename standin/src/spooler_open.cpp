// Opening and closing printers, shared by the wide and ANSI callers: a queue
// opens by its exact name.
#include "standin/control.h"
#include "standin/control_spooler.h"
#include "standin/control_text.h"

namespace {
BOOL OpenByName(const std::wstring& name, HANDLE* phPrinter) {
  if (phPrinter == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return standin::spooler_internal::WithModel([&](standin::spooler_internal::Model& m) -> BOOL {
    if (standin::spooler_internal::Find(m, name) == nullptr) {
      SetLastError(ERROR_INVALID_PRINTER_NAME);
      return FALSE;
    }
    HANDLE h = standin::OpenHandle(standin::HandleKind::Printer);
    m.printerHandles[h] = name;
    *phPrinter = h;
    return TRUE;
  });
}
}  // namespace

BOOL WINAPI OpenPrinterW(LPWSTR pPrinterName, HANDLE* phPrinter, LPPRINTER_DEFAULTSW) {
  STANDIN_ENTER("OpenPrinterW", FALSE);
  return OpenByName(pPrinterName ? pPrinterName : L"", phPrinter);
}

BOOL WINAPI OpenPrinterA(LPSTR pPrinterName, HANDLE* phPrinter, LPPRINTER_DEFAULTSA) {
  STANDIN_ENTER("OpenPrinterA", FALSE);
  return OpenByName(standin::AnsiToWide(pPrinterName ? pPrinterName : ""), phPrinter);
}

BOOL WINAPI ClosePrinter(HANDLE hPrinter) {
  STANDIN_ENTER("ClosePrinter", FALSE);
  return standin::spooler_internal::WithModel([&](standin::spooler_internal::Model& m) -> BOOL {
    if (!standin::CloseHandleOf(hPrinter, standin::HandleKind::Printer)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    m.printerHandles.erase(hPrinter);
    return TRUE;
  });
}
