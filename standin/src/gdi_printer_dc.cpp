// Printer and memory device contexts, and the document/page calls that
// record a printer DC's jobs in the spooler model.
#include <new>

#include "gdi_internal.h"
#include "standin/control.h"

namespace {

using standin::gdi_internal::Dc;
using standin::gdi_internal::state;
using standin::spooler_internal::Model;
using standin::spooler_internal::WithModel;

// A page this large is refused as the driver would run out of memory.
constexpr long long kMaxPagePixels = 200LL * 1000 * 1000;

// Finds a DC of the table; the caller holds the state lock.
Dc* FindDc(HDC hdc) {
  auto it = state().dcs.find(hdc);
  return it == state().dcs.end() ? nullptr : &it->second;
}

Dc* FindPrinterDc(HDC hdc) {
  Dc* dc = FindDc(hdc);
  if (dc == nullptr || !dc->printer) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return dc;
}

void RecordPage(Dc& dc) {
  WithModel([&](Model& m) { standin::spooler_internal::JobAt(m, dc.job).pages.push_back(dc.page); });
  dc.page = standin::Page{};
  dc.inPage = false;
}

void CloseDocument(Dc& dc, bool aborted) {
  WithModel([&](Model& m) {
    standin::Job& job = standin::spooler_internal::JobAt(m, dc.job);
    if (aborted) job.aborted = true;
    else job.ended = true;
    standin::spooler_internal::DropOldJobs(m);
  });
  dc.page = standin::Page{};
  dc.inPage = false;
  dc.job = -1;
}

}  // namespace

HDC WINAPI CreateDCW(LPCWSTR, LPCWSTR pwszDevice, LPCWSTR, const DEVMODEW* pdm) {
  STANDIN_ENTER("CreateDCW", nullptr);
  if (pwszDevice == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Dc dc;
  dc.printer = true;
  dc.queue = pwszDevice;
  bool found = WithModel([&](Model& m) {
    standin::Queue* q = standin::spooler_internal::Find(m, dc.queue);
    if (q == nullptr) return false;
    dc.devmode = pdm ? *pdm : q->devmode;
    dc.caps = q->caps;
    return true;
  });
  if (!found) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  auto hdc = static_cast<HDC>(standin::OpenHandle(standin::HandleKind::DC));
  std::lock_guard<std::mutex> lock(state().mutex);
  state().dcs[hdc] = dc;
  return hdc;
}

HDC WINAPI CreateCompatibleDC(HDC) {
  STANDIN_ENTER("CreateCompatibleDC", nullptr);
  Dc dc;
  dc.selected = standin::gdi_internal::StockBitmap();
  dc.caps.logPixelsX = dc.caps.logPixelsY = 96;
  auto hdc = static_cast<HDC>(standin::OpenHandle(standin::HandleKind::DC));
  std::lock_guard<std::mutex> lock(state().mutex);
  state().dcs[hdc] = dc;
  return hdc;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
  STANDIN_ENTER("GetDeviceCaps", 0);
  std::lock_guard<std::mutex> lock(state().mutex);
  Dc* dc = FindDc(hdc);
  if (dc == nullptr) return 0;
  int width = 0, height = 0;
  if (dc->printer) standin::gdi_internal::PageExtent(dc->devmode, dc->caps, width, height);
  switch (index) {
    case LOGPIXELSX: return dc->caps.logPixelsX;
    case LOGPIXELSY: return dc->caps.logPixelsY;
    case HORZRES:
    case PHYSICALWIDTH: return width;
    case VERTRES:
    case PHYSICALHEIGHT: return height;
    default: return 0;
  }
}

HDC WINAPI ResetDCW(HDC hdc, const DEVMODEW* lpdm) {
  STANDIN_ENTER("ResetDCW", nullptr);
  std::lock_guard<std::mutex> lock(state().mutex);
  Dc* dc = FindPrinterDc(hdc);
  if (dc == nullptr) return nullptr;
  if (lpdm == nullptr || dc->inPage) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  dc->devmode = *lpdm;
  if (dc->job >= 0)
    WithModel([&](Model& m) { standin::spooler_internal::JobAt(m, dc->job).devmode = *lpdm; });
  return hdc;
}

int WINAPI StartDocW(HDC hdc, const DOCINFOW* lpdi) {
  STANDIN_ENTER("StartDocW", SP_ERROR);
  std::lock_guard<std::mutex> lock(state().mutex);
  Dc* dc = FindPrinterDc(hdc);
  if (dc == nullptr) return SP_ERROR;
  if (lpdi == nullptr || dc->job >= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  standin::Job job;
  job.queue = dc->queue;
  job.docName = lpdi->lpszDocName ? lpdi->lpszDocName : L"";
  job.devmode = dc->devmode;
  dc->job = WithModel([&](Model& m) {
    m.jobs.push_back(job);
    return static_cast<int>(m.firstJob + m.jobs.size() - 1);
  });
  return dc->job + 1;
}

int WINAPI StartPage(HDC hdc) {
  STANDIN_ENTER("StartPage", SP_ERROR);
  std::lock_guard<std::mutex> lock(state().mutex);
  Dc* dc = FindPrinterDc(hdc);
  if (dc == nullptr) return SP_ERROR;
  if (dc->job < 0 || dc->inPage) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  int width = 0, height = 0;
  standin::gdi_internal::PageExtent(dc->devmode, dc->caps, width, height);
  if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > kMaxPagePixels) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return SP_ERROR;
  }
  dc->page.width = width;
  dc->page.height = height;
  dc->page.pixels.assign(static_cast<size_t>(width) * height, 0xFFFFFFFFu);
  dc->inPage = true;
  return 1;
}

int WINAPI EndPage(HDC hdc) {
  STANDIN_ENTER("EndPage", SP_ERROR);
  std::lock_guard<std::mutex> lock(state().mutex);
  Dc* dc = FindPrinterDc(hdc);
  if (dc == nullptr) return SP_ERROR;
  if (!dc->inPage) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  RecordPage(*dc);
  return 1;
}

int WINAPI EndDoc(HDC hdc) {
  STANDIN_ENTER("EndDoc", SP_ERROR);
  std::lock_guard<std::mutex> lock(state().mutex);
  Dc* dc = FindPrinterDc(hdc);
  if (dc == nullptr) return SP_ERROR;
  if (dc->job < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  if (dc->inPage) RecordPage(*dc);
  CloseDocument(*dc, false);
  return 1;
}

int WINAPI AbortDoc(HDC hdc) {
  STANDIN_ENTER("AbortDoc", SP_ERROR);
  std::lock_guard<std::mutex> lock(state().mutex);
  Dc* dc = FindPrinterDc(hdc);
  if (dc == nullptr) return SP_ERROR;
  if (dc->job < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  CloseDocument(*dc, true);
  return 1;
}

// Deleting a printer DC with its document still open abandons the job.
BOOL WINAPI DeleteDC(HDC hdc) {
  STANDIN_ENTER("DeleteDC", FALSE);
  std::lock_guard<std::mutex> lock(state().mutex);
  Dc* dc = FindDc(hdc);
  if (dc == nullptr || !standin::CloseHandleOf(hdc, standin::HandleKind::DC)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (dc->printer && dc->job >= 0) CloseDocument(*dc, true);
  state().dcs.erase(hdc);
  return TRUE;
}
