// ANSI spooler calls over the queue model: enumeration, adding and deleting
// queues, level-2 information, status, printer data and device modes. Names
// cross in code page 936.
#include <cstring>
#include <vector>

#include "standin/control.h"
#include "standin/control_spooler.h"
#include "standin/control_text.h"

namespace {

using standin::Queue;
using standin::spooler_internal::Model;
using standin::spooler_internal::WithModel;

constexpr DWORD kRegDword = 4;

Queue* QueueOf(Model& m, HANDLE h) {
  if (!standin::IsOpenHandle(h, standin::HandleKind::Printer)) return nullptr;
  auto it = m.printerHandles.find(h);
  if (it == m.printerHandles.end()) return nullptr;
  return standin::spooler_internal::Find(m, it->second);
}

template <typename To, typename From>
void CopyDevModeFields(To& to, const From& from) {
  to.dmSpecVersion = from.dmSpecVersion;
  to.dmDriverVersion = from.dmDriverVersion;
  to.dmFields = from.dmFields;
  to.dmOrientation = from.dmOrientation;
  to.dmPaperSize = from.dmPaperSize;
  to.dmPaperLength = from.dmPaperLength;
  to.dmPaperWidth = from.dmPaperWidth;
  to.dmScale = from.dmScale;
  to.dmCopies = from.dmCopies;
  to.dmDefaultSource = from.dmDefaultSource;
  to.dmPrintQuality = from.dmPrintQuality;
  to.dmColor = from.dmColor;
  to.dmDuplex = from.dmDuplex;
  to.dmYResolution = from.dmYResolution;
  to.dmTTOption = from.dmTTOption;
  to.dmCollate = from.dmCollate;
  to.dmLogPixels = from.dmLogPixels;
  to.dmBitsPerPel = from.dmBitsPerPel;
  to.dmPelsWidth = from.dmPelsWidth;
  to.dmPelsHeight = from.dmPelsHeight;
  to.dmNup = from.dmNup;
  to.dmDisplayFrequency = from.dmDisplayFrequency;
  to.dmICMMethod = from.dmICMMethod;
  to.dmICMIntent = from.dmICMIntent;
  to.dmMediaType = from.dmMediaType;
  to.dmDitherType = from.dmDitherType;
  to.dmPanningWidth = from.dmPanningWidth;
  to.dmPanningHeight = from.dmPanningHeight;
}

std::wstring FixedWide(const WCHAR* text, size_t units) {
  size_t n = 0;
  while (n < units && text[n] != 0) ++n;
  return std::wstring(text, n);
}

void PutFixedAnsi(BYTE* out, size_t size, const std::string& text) {
  std::memset(out, 0, size);
  std::memcpy(out, text.data(), text.size() < size ? text.size() : size - 1);
}

void PutFixedWide(WCHAR* out, size_t units, const std::wstring& text) {
  for (size_t i = 0; i < units; ++i) out[i] = i + 1 < units && i < text.size() ? text[i] : 0;
}

DEVMODEA ToAnsi(const DEVMODEW& w) {
  DEVMODEA a{};
  CopyDevModeFields(a, w);
  PutFixedAnsi(a.dmDeviceName, CCHDEVICENAME, standin::WideToAnsi(FixedWide(w.dmDeviceName, CCHDEVICENAME)));
  PutFixedAnsi(a.dmFormName, CCHFORMNAME, standin::WideToAnsi(FixedWide(w.dmFormName, CCHFORMNAME)));
  a.dmSize = sizeof(DEVMODEA);
  a.dmDriverExtra = 0;
  return a;
}

DEVMODEW ToWide(const DEVMODEA& a) {
  DEVMODEW w{};
  CopyDevModeFields(w, a);
  auto fixed = [](const BYTE* s, size_t n) {
    size_t len = 0;
    while (len < n && s[len] != 0) ++len;
    return std::string(reinterpret_cast<const char*>(s), len);
  };
  PutFixedWide(w.dmDeviceName, CCHDEVICENAME, standin::AnsiToWide(fixed(a.dmDeviceName, CCHDEVICENAME)));
  PutFixedWide(w.dmFormName, CCHFORMNAME, standin::AnsiToWide(fixed(a.dmFormName, CCHFORMNAME)));
  w.dmSize = sizeof(DEVMODEW);
  w.dmDriverExtra = 0;
  return w;
}

// The fields a caller marks in dmFields replace those of the base.
DEVMODEA Merge(DEVMODEA base, const DEVMODEA& in) {
  DWORD f = in.dmFields;
  if (f & DM_ORIENTATION) base.dmOrientation = in.dmOrientation;
  if (f & DM_PAPERSIZE) base.dmPaperSize = in.dmPaperSize;
  if (f & DM_PAPERLENGTH) base.dmPaperLength = in.dmPaperLength;
  if (f & DM_PAPERWIDTH) base.dmPaperWidth = in.dmPaperWidth;
  if (f & 0x10) base.dmScale = in.dmScale;      // DM_SCALE
  if (f & 0x100) base.dmCopies = in.dmCopies;   // DM_COPIES
  if (f & DM_PRINTQUALITY) base.dmPrintQuality = in.dmPrintQuality;
  if (f & DM_YRESOLUTION) base.dmYResolution = in.dmYResolution;
  base.dmFields |= f;
  return base;
}

// One queue as PRINTER_INFO_2A: the record, its device mode and its strings.
struct Info2 {
  std::string server, name, share, port, driver;
  DEVMODEA devmode;
  const Queue* queue;
};

Info2 Describe(const Queue& q) {
  return {standin::WideToAnsi(q.serverName), standin::WideToAnsi(q.name), standin::WideToAnsi(q.shareName),
          standin::WideToAnsi(q.portName), standin::WideToAnsi(q.driverName), ToAnsi(q.devmode), &q};
}

const char* const kFixedStrings[] = {"", "WinPrint", "RAW"};

size_t StringsSize(const Info2& i) {
  size_t n = (i.server.empty() ? 0 : i.server.size() + 1) + i.name.size() + 1 + i.share.size() + 1 +
             i.port.size() + 1 + i.driver.size() + 1;
  for (const char* s : kFixedStrings) n += std::strlen(s) + 1;
  return n;
}

size_t PackedSize(const std::vector<Info2>& infos) {
  size_t n = 0;
  for (const Info2& i : infos) n += sizeof(PRINTER_INFO_2A) + sizeof(DEVMODEA) + StringsSize(i);
  return n;
}

// Records first, then the device modes (aligned), then the strings.
void Pack(const std::vector<Info2>& infos, BYTE* buffer) {
  BYTE* devmodes = buffer + infos.size() * sizeof(PRINTER_INFO_2A);
  char* strings = reinterpret_cast<char*>(devmodes + infos.size() * sizeof(DEVMODEA));
  auto put = [&strings](const std::string& s) {
    char* at = strings;
    std::memcpy(at, s.c_str(), s.size() + 1);
    strings += s.size() + 1;
    return at;
  };
  for (size_t k = 0; k < infos.size(); ++k) {
    const Info2& i = infos[k];
    PRINTER_INFO_2A rec{};
    rec.pServerName = i.server.empty() ? nullptr : put(i.server);
    rec.pPrinterName = put(i.name);
    rec.pShareName = put(i.share);
    rec.pPortName = put(i.port);
    rec.pDriverName = put(i.driver);
    rec.pComment = put("");
    rec.pLocation = put("");
    auto* dm = reinterpret_cast<DEVMODEA*>(devmodes + k * sizeof(DEVMODEA));
    std::memcpy(dm, &i.devmode, sizeof(DEVMODEA));
    rec.pDevMode = dm;
    rec.pSepFile = put("");
    rec.pPrintProcessor = put("WinPrint");
    rec.pDatatype = put("RAW");
    rec.pParameters = put("");
    rec.pSecurityDescriptor = nullptr;
    rec.Attributes = i.queue->attributes;
    rec.Status = i.queue->status;
    std::memcpy(buffer + k * sizeof(PRINTER_INFO_2A), &rec, sizeof(rec));
  }
}

bool Listed(const Queue& q, DWORD flags) {
  bool connection = !q.serverName.empty();
  return connection ? (flags & PRINTER_ENUM_CONNECTIONS) != 0 : (flags & PRINTER_ENUM_LOCAL) != 0;
}

bool NameTaken(Model& m, const std::wstring& name, const Queue* except) {
  for (const Queue& q : m.queues)
    if (&q != except && q.name == name) return true;
  return false;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

BOOL ApplyInfo2(Model& m, Queue& q, const PRINTER_INFO_2A& info) {
  std::wstring name = q.name;
  if (info.pPrinterName != nullptr) {
    name = standin::AnsiToWide(info.pPrinterName);
    if (name.empty()) return Fail(ERROR_INVALID_PRINTER_NAME);
    if (NameTaken(m, name, &q)) return Fail(ERROR_PRINTER_ALREADY_EXISTS);
  }
  if (info.pDriverName != nullptr) {
    std::wstring driver = standin::AnsiToWide(info.pDriverName);
    if (driver != q.driverName && !standin::HasDriver(driver)) return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
    q.driverName = driver;
  }
  if (info.pPortName != nullptr) {
    std::wstring port = standin::AnsiToWide(info.pPortName);
    if (port != q.portName && !standin::HasPort(port)) return Fail(ERROR_UNKNOWN_PORT);
    q.portName = port;
  }
  if (info.pShareName != nullptr) q.shareName = standin::AnsiToWide(info.pShareName);
  if (info.pDevMode != nullptr) q.devmode = ToWide(*info.pDevMode);
  q.attributes = info.Attributes;
  if (name != q.name) {
    for (auto& [handle, queueName] : m.printerHandles)
      if (queueName == q.name) queueName = name;
    q.name = name;
  }
  return TRUE;
}

}  // namespace

BOOL WINAPI EnumPrintersA(DWORD Flags, LPSTR, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                          LPDWORD pcbNeeded, LPDWORD pcReturned) {
  STANDIN_ENTER("EnumPrintersA", FALSE);
  if (pcbNeeded == nullptr || pcReturned == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (Level != 2) return Fail(ERROR_INVALID_LEVEL);
  return WithModel([&](Model& m) -> BOOL {
    std::vector<Info2> infos;
    for (const Queue& q : m.queues)
      if (Listed(q, Flags)) infos.push_back(Describe(q));
    size_t needed = PackedSize(infos);
    *pcbNeeded = static_cast<DWORD>(needed);
    *pcReturned = 0;
    if (cbBuf < needed || (needed > 0 && pPrinterEnum == nullptr)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    Pack(infos, pPrinterEnum);
    *pcReturned = static_cast<DWORD>(infos.size());
    return TRUE;
  });
}

BOOL WINAPI GetPrinterA(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
  STANDIN_ENTER("GetPrinterA", FALSE);
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  return WithModel([&](Model& m) -> BOOL {
    Queue* q = QueueOf(m, hPrinter);
    if (q == nullptr) return Fail(ERROR_INVALID_HANDLE);
    if (Level != 2) return Fail(ERROR_INVALID_LEVEL);
    std::vector<Info2> infos{Describe(*q)};
    size_t needed = PackedSize(infos);
    *pcbNeeded = static_cast<DWORD>(needed);
    if (pPrinter == nullptr || cbBuf < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    Pack(infos, pPrinter);
    return TRUE;
  });
}

BOOL WINAPI SetPrinterA(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) {
  STANDIN_ENTER("SetPrinterA", FALSE);
  return WithModel([&](Model& m) -> BOOL {
    Queue* q = QueueOf(m, hPrinter);
    if (q == nullptr) return Fail(ERROR_INVALID_HANDLE);
    if (Level == 0) {
      switch (Command) {
        case PRINTER_CONTROL_SET_STATUS:
          // pPrinter points to the new status.
          if (pPrinter == nullptr) return Fail(ERROR_INVALID_PARAMETER);
          std::memcpy(&q->status, pPrinter, sizeof(DWORD));
          return TRUE;
        case PRINTER_CONTROL_PAUSE:
          q->status |= PRINTER_STATUS_PAUSED;
          return TRUE;
        case PRINTER_CONTROL_RESUME:
          q->status &= ~static_cast<DWORD>(PRINTER_STATUS_PAUSED);
          return TRUE;
        case PRINTER_CONTROL_PURGE:
          return TRUE;
        default:
          return Fail(ERROR_INVALID_PRINTER_COMMAND);
      }
    }
    if (Level != 2) return Fail(ERROR_INVALID_LEVEL);
    if (pPrinter == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (Command != 0) return Fail(ERROR_INVALID_PRINTER_COMMAND);
    PRINTER_INFO_2A info;
    std::memcpy(&info, pPrinter, sizeof(info));
    Queue copy = *q;
    if (!ApplyInfo2(m, copy, info)) return FALSE;
    *q = copy;
    return TRUE;
  });
}

HANDLE WINAPI AddPrinterA(LPSTR pName, DWORD Level, LPBYTE pPrinter) {
  STANDIN_ENTER("AddPrinterA", nullptr);
  if (pName != nullptr && pName[0] != 0) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  if (Level != 2 || pPrinter == nullptr) {
    SetLastError(Level != 2 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  PRINTER_INFO_2A info;
  std::memcpy(&info, pPrinter, sizeof(info));
  return WithModel([&](Model& m) -> HANDLE {
    std::wstring name = standin::AnsiToWide(info.pPrinterName ? info.pPrinterName : "");
    std::wstring driver = standin::AnsiToWide(info.pDriverName ? info.pDriverName : "");
    std::wstring port = standin::AnsiToWide(info.pPortName ? info.pPortName : "");
    DWORD error = 0;
    if (name.empty()) error = ERROR_INVALID_PRINTER_NAME;
    else if (NameTaken(m, name, nullptr)) error = ERROR_PRINTER_ALREADY_EXISTS;
    else if (!standin::HasDriver(driver)) error = ERROR_UNKNOWN_PRINTER_DRIVER;
    else if (!standin::HasPort(port)) error = ERROR_UNKNOWN_PORT;
    if (error != 0) {
      SetLastError(error);
      return nullptr;
    }
    Queue q = standin::MakeQueue(name);
    q.shareName = standin::AnsiToWide(info.pShareName ? info.pShareName : "");
    q.driverName = driver;
    q.portName = port;
    q.attributes = info.Attributes;
    if (info.pDevMode != nullptr) q.devmode = ToWide(*info.pDevMode);
    m.queues.push_back(q);
    HANDLE h = standin::OpenHandle(standin::HandleKind::Printer);
    m.printerHandles[h] = name;
    return h;
  });
}

BOOL WINAPI DeletePrinter(HANDLE hPrinter) {
  STANDIN_ENTER("DeletePrinter", FALSE);
  return WithModel([&](Model& m) -> BOOL {
    Queue* q = QueueOf(m, hPrinter);
    if (q == nullptr) return Fail(ERROR_INVALID_HANDLE);
    m.queues.erase(m.queues.begin() + (q - m.queues.data()));
    return TRUE;
  });
}

DWORD WINAPI GetPrinterDataA(HANDLE hPrinter, LPSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                             LPDWORD pcbNeeded) {
  STANDIN_ENTER("GetPrinterDataA", GetLastError());
  if (pValueName == nullptr || pcbNeeded == nullptr) return ERROR_INVALID_PARAMETER;
  return WithModel([&](Model& m) -> DWORD {
    Queue* q = QueueOf(m, hPrinter);
    if (q == nullptr) return ERROR_INVALID_HANDLE;
    auto it = q->printerData.find(pValueName);
    if (it == q->printerData.end()) return ERROR_FILE_NOT_FOUND;
    *pcbNeeded = sizeof(DWORD);
    if (pType != nullptr) *pType = kRegDword;
    if (pData == nullptr || nSize < sizeof(DWORD)) return ERROR_MORE_DATA;
    std::memcpy(pData, &it->second, sizeof(DWORD));
    return ERROR_SUCCESS;
  });
}

DWORD WINAPI SetPrinterDataA(HANDLE hPrinter, LPSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData) {
  STANDIN_ENTER("SetPrinterDataA", GetLastError());
  if (pValueName == nullptr || pData == nullptr) return ERROR_INVALID_PARAMETER;
  // The model keeps 4-byte REG_DWORD values only.
  if (Type != kRegDword || cbData != sizeof(DWORD)) return ERROR_INVALID_PARAMETER;
  return WithModel([&](Model& m) -> DWORD {
    Queue* q = QueueOf(m, hPrinter);
    if (q == nullptr) return ERROR_INVALID_HANDLE;
    DWORD value;
    std::memcpy(&value, pData, sizeof(value));
    q->printerData[pValueName] = value;
    return ERROR_SUCCESS;
  });
}

LONG WINAPI DocumentPropertiesA(HWND, HANDLE hPrinter, LPSTR, PDEVMODEA pDevModeOutput, PDEVMODEA pDevModeInput,
                                DWORD fMode) {
  STANDIN_ENTER("DocumentPropertiesA", -1);
  return WithModel([&](Model& m) -> LONG {
    Queue* q = QueueOf(m, hPrinter);
    if (q == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return -1;
    }
    if (fMode == 0) return static_cast<LONG>(sizeof(DEVMODEA));
    DEVMODEA result = ToAnsi(q->devmode);
    if (fMode & DM_IN_BUFFER) {
      if (pDevModeInput == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
      }
      result = Merge(result, *pDevModeInput);
    }
    if (fMode & DM_OUT_BUFFER) {
      if (pDevModeOutput == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
      }
      std::memcpy(pDevModeOutput, &result, sizeof(result));
    }
    return IDOK;
  });
}
