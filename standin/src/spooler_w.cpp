// The wide spooler calls of the print service: EnumPrintersW level 2 and
// DocumentPropertiesW.
#include <cstring>
#include <string>
#include <vector>

#include "standin/control.h"
#include "standin/control_spooler.h"

namespace {

using standin::Queue;
using standin::spooler_internal::Model;
using standin::spooler_internal::WithModel;

size_t StringBytes(const std::wstring& s) { return (s.size() + 1) * sizeof(WCHAR); }

size_t RecordExtraBytes(const Queue& q) {
  size_t n = sizeof(DEVMODEW);
  if (!q.serverName.empty()) n += StringBytes(q.serverName);
  n += StringBytes(q.name) + StringBytes(q.shareName) + StringBytes(q.portName) +
       StringBytes(q.driverName);
  n += 5 * StringBytes(L"");  // comment, location, separator file, print processor, parameters
  n += StringBytes(L"RAW");   // data type
  return n;
}

// Packs records first, then each record's device mode and strings, into
// one caller buffer, as the spooler does; the pointers point into it.
class Packer {
 public:
  explicit Packer(LPBYTE tail) : tail_(tail) {}
  LPWSTR String(const std::wstring& s) {
    auto* out = reinterpret_cast<LPWSTR>(tail_);
    std::memcpy(tail_, s.c_str(), StringBytes(s));
    tail_ += StringBytes(s);
    return out;
  }
  LPDEVMODEW DevMode(const DEVMODEW& dm) {
    auto* out = reinterpret_cast<LPDEVMODEW>(tail_);
    std::memcpy(tail_, &dm, sizeof(DEVMODEW));
    out->dmDriverExtra = 0;
    tail_ += sizeof(DEVMODEW);
    return out;
  }

 private:
  LPBYTE tail_;
};

void FillRecord(const Queue& q, PRINTER_INFO_2W& r, Packer& pack) {
  r = PRINTER_INFO_2W{};
  r.pDevMode = pack.DevMode(q.devmode);
  r.pServerName = q.serverName.empty() ? nullptr : pack.String(q.serverName);
  r.pPrinterName = pack.String(q.name);
  r.pShareName = pack.String(q.shareName);
  r.pPortName = pack.String(q.portName);
  r.pDriverName = pack.String(q.driverName);
  r.pComment = pack.String(L"");
  r.pLocation = pack.String(L"");
  r.pSepFile = pack.String(L"");
  r.pPrintProcessor = pack.String(L"");
  r.pDatatype = pack.String(L"RAW");
  r.pParameters = pack.String(L"");
  r.Attributes = q.attributes;
  r.Status = q.status;
}

// The device-mode fields that DM_IN_BUFFER merges, by their dmFields bit.
void MergeFields(DEVMODEW& out, const DEVMODEW& in) {
  const DWORD f = in.dmFields;
  if (f & DM_ORIENTATION) out.dmOrientation = in.dmOrientation;
  if (f & DM_PAPERSIZE) out.dmPaperSize = in.dmPaperSize;
  if (f & DM_PAPERLENGTH) out.dmPaperLength = in.dmPaperLength;
  if (f & DM_PAPERWIDTH) out.dmPaperWidth = in.dmPaperWidth;
  if (f & 0x10) out.dmScale = in.dmScale;
  if (f & 0x100) out.dmCopies = in.dmCopies;
  if (f & 0x200) out.dmDefaultSource = in.dmDefaultSource;
  if (f & DM_PRINTQUALITY) out.dmPrintQuality = in.dmPrintQuality;
  if (f & 0x800) out.dmColor = in.dmColor;
  if (f & 0x1000) out.dmDuplex = in.dmDuplex;
  if (f & DM_YRESOLUTION) out.dmYResolution = in.dmYResolution;
  if (f & 0x4000) out.dmTTOption = in.dmTTOption;
  if (f & 0x8000) out.dmCollate = in.dmCollate;
  if (f & 0x10000) std::memcpy(out.dmFormName, in.dmFormName, sizeof(out.dmFormName));
  out.dmFields |= f & (DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | 0x10 |
                       0x100 | 0x200 | DM_PRINTQUALITY | 0x800 | 0x1000 | DM_YRESOLUTION |
                       0x4000 | 0x8000 | 0x10000);
}

}  // namespace

// Every installed queue is local to the stand-in's machine: PRINTER_ENUM_LOCAL
// lists all of them, network-attributed ones included, in installation order.
BOOL WINAPI EnumPrintersW(DWORD Flags, LPWSTR, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                          LPDWORD pcbNeeded, LPDWORD pcReturned) {
  STANDIN_ENTER("EnumPrintersW", FALSE);
  if (pcbNeeded == nullptr || pcReturned == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcReturned = 0;
  if (Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if ((Flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS)) == 0) {
    *pcbNeeded = 0;
    return TRUE;
  }
  return WithModel([&](Model& m) -> BOOL {
    size_t needed = m.queues.size() * sizeof(PRINTER_INFO_2W);
    for (const Queue& q : m.queues) needed += RecordExtraBytes(q);
    *pcbNeeded = static_cast<DWORD>(needed);
    if (cbBuf < needed || (needed > 0 && pPrinterEnum == nullptr)) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    auto* records = reinterpret_cast<PRINTER_INFO_2W*>(pPrinterEnum);
    Packer pack(pPrinterEnum + m.queues.size() * sizeof(PRINTER_INFO_2W));
    for (size_t i = 0; i < m.queues.size(); ++i) FillRecord(m.queues[i], records[i], pack);
    *pcReturned = static_cast<DWORD>(m.queues.size());
    return TRUE;
  });
}

// Driver-private data after the public fields is not modelled: every device
// mode is sizeof(DEVMODEW) bytes with dmDriverExtra 0.
// Mode 0: the size of the queue's device mode. DM_OUT_BUFFER: a copy of the
// queue's default, with the fields an input device mode names (DM_IN_BUFFER)
// merged in. The queue's default itself is never changed here.
LONG WINAPI DocumentPropertiesW(HWND, HANDLE hPrinter, LPWSTR, PDEVMODEW pDevModeOutput,
                                PDEVMODEW pDevModeInput, DWORD fMode) {
  STANDIN_ENTER("DocumentPropertiesW", -1);
  return WithModel([&](Model& m) -> LONG {
    auto it = m.printerHandles.find(hPrinter);
    Queue* q = it == m.printerHandles.end() ? nullptr : standin::spooler_internal::Find(m, it->second);
    if (q == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return -1;
    }
    if (fMode == 0) return static_cast<LONG>(sizeof(DEVMODEW));
    if (fMode & DM_OUT_BUFFER) {
      if (pDevModeOutput == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
      }
      DEVMODEW out = q->devmode;
      if ((fMode & DM_IN_BUFFER) && pDevModeInput != nullptr) MergeFields(out, *pDevModeInput);
      out.dmDriverExtra = 0;
      std::memcpy(pDevModeOutput, &out, sizeof(DEVMODEW));
    }
    return IDOK;
  });
}
