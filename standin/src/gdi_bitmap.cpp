// DIB sections, object selection and the two drawing calls the label job
// uses: StretchBlt (SRCCOPY) and AlphaBlend (source over).
#include <functional>
#include <new>

#include "gdi_internal.h"
#include "standin/control.h"

namespace {

using standin::gdi_internal::Dc;
using standin::gdi_internal::Dib;
using standin::gdi_internal::state;

// Where a blit writes: a printer page in progress or a memory DC's DIB.
struct Target {
  int width = 0;
  int height = 0;
  std::function<uint32_t(int, int)> get;
  std::function<void(int, int, uint32_t)> set;
};

Dib* SelectedDib(const Dc& dc) {
  auto it = state().dibs.find(dc.selected);
  return it == state().dibs.end() ? nullptr : &it->second;
}

bool TargetOf(HDC hdc, Target& t) {
  auto it = state().dcs.find(hdc);
  if (it == state().dcs.end()) return false;
  Dc& dc = it->second;
  if (dc.printer) {
    if (!dc.inPage) return false;
    standin::Page& page = dc.page;
    t.width = page.width;
    t.height = page.height;
    t.get = [&page](int x, int y) { return page.At(x, y); };
    // Paper is opaque: what lands on it keeps no alpha.
    t.set = [&page](int x, int y, uint32_t c) {
      page.pixels[static_cast<size_t>(y) * page.width + x] = c | 0xFF000000u;
    };
    return true;
  }
  Dib* dib = SelectedDib(dc);
  if (dib == nullptr) return false;
  t.width = dib->width;
  t.height = dib->height;
  t.get = [dib](int x, int y) { return dib->Get(x, y); };
  t.set = [dib](int x, int y, uint32_t c) { dib->Set(x, y, c); };
  return true;
}

const Dib* SourceOf(HDC hdc) {
  auto it = state().dcs.find(hdc);
  if (it == state().dcs.end() || it->second.printer) return nullptr;
  return SelectedDib(it->second);
}

// Calls `put(dx, dy, sx, sy)` for every destination pixel inside the target,
// with the nearest source pixel.
template <typename Put>
void ForEachPixel(const Target& t, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc,
                  int wSrc, int hSrc, Put put) {
  for (int j = 0; j < hDest; ++j) {
    const int dy = yDest + j;
    if (dy < 0 || dy >= t.height) continue;
    const int sy = ySrc + static_cast<int>(static_cast<long long>(j) * hSrc / hDest);
    for (int i = 0; i < wDest; ++i) {
      const int dx = xDest + i;
      if (dx < 0 || dx >= t.width) continue;
      const int sx = xSrc + static_cast<int>(static_cast<long long>(i) * wSrc / wDest);
      put(dx, dy, sx, sy);
    }
  }
}

uint8_t Channel(uint32_t c, int shift) { return static_cast<uint8_t>(c >> shift); }

}  // namespace

HBITMAP WINAPI CreateDIBSection(HDC, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE,
                                DWORD) {
  STANDIN_ENTER("CreateDIBSection", nullptr);
  if (ppvBits) *ppvBits = nullptr;
  if (pbmi == nullptr || usage != DIB_RGB_COLORS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = pbmi->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 ||
      (h.biBitCount != 24 && h.biBitCount != 32) || h.biCompression != BI_RGB) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Dib dib;
  dib.width = h.biWidth;
  dib.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  dib.topDown = h.biHeight < 0;
  dib.bitCount = h.biBitCount;
  dib.stride = ((static_cast<size_t>(dib.width) * dib.bitCount + 31) / 32) * 4;
  try {
    dib.bits.assign(dib.stride * static_cast<size_t>(dib.height), 0);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto hbm = static_cast<HBITMAP>(standin::OpenHandle(standin::HandleKind::Bitmap));
  std::lock_guard<std::mutex> lock(state().mutex);
  Dib& stored = state().dibs[hbm] = std::move(dib);
  if (ppvBits) *ppvBits = stored.bits.data();
  return hbm;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
  STANDIN_ENTER("SelectObject", nullptr);
  std::lock_guard<std::mutex> lock(state().mutex);
  auto it = state().dcs.find(hdc);
  const bool known = h == standin::gdi_internal::StockBitmap() || state().dibs.count(h) > 0;
  if (it == state().dcs.end() || it->second.printer || !known) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HGDIOBJ previous = it->second.selected;
  it->second.selected = h;
  return previous;
}

// A bitmap still selected into a DC cannot be deleted.
BOOL WINAPI DeleteObject(HGDIOBJ ho) {
  STANDIN_ENTER("DeleteObject", FALSE);
  if (ho == standin::gdi_internal::StockBitmap()) return TRUE;
  std::lock_guard<std::mutex> lock(state().mutex);
  for (auto& [hdc, dc] : state().dcs)
    if (dc.selected == ho) return FALSE;
  if (!standin::CloseHandleOf(ho, standin::HandleKind::Bitmap)) return FALSE;
  state().dibs.erase(ho);
  return TRUE;
}

BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc,
                       int xSrc, int ySrc, int wSrc, int hSrc, DWORD rop) {
  STANDIN_ENTER("StretchBlt", FALSE);
  std::lock_guard<std::mutex> lock(state().mutex);
  Target target;
  const Dib* src = SourceOf(hdcSrc);
  if (rop != SRCCOPY || src == nullptr || !TargetOf(hdcDest, target) || wDest <= 0 ||
      hDest <= 0 || wSrc <= 0 || hSrc <= 0 || xSrc < 0 || ySrc < 0 || xSrc + wSrc > src->width ||
      ySrc + hSrc > src->height) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ForEachPixel(target, xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc,
               [&](int dx, int dy, int sx, int sy) { target.set(dx, dy, src->Get(sx, sy)); });
  return TRUE;
}

BOOL WINAPI AlphaBlend(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc,
                       int xSrc, int ySrc, int wSrc, int hSrc, BLENDFUNCTION ftn) {
  STANDIN_ENTER("AlphaBlend", FALSE);
  std::lock_guard<std::mutex> lock(state().mutex);
  Target target;
  const Dib* src = SourceOf(hdcSrc);
  const bool perPixel = (ftn.AlphaFormat & AC_SRC_ALPHA) != 0;
  // The source rectangle must lie wholly inside the source surface.
  if (ftn.BlendOp != AC_SRC_OVER || src == nullptr || (perPixel && src->bitCount != 32) ||
      !TargetOf(hdcDest, target) || wDest <= 0 || hDest <= 0 || wSrc <= 0 || hSrc <= 0 ||
      xSrc < 0 || ySrc < 0 || xSrc + wSrc > src->width || ySrc + hSrc > src->height) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const unsigned constant = ftn.SourceConstantAlpha;
  ForEachPixel(target, xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc,
               [&](int dx, int dy, int sx, int sy) {
                 const uint32_t s = src->Get(sx, sy);
                 const uint32_t d = target.get(dx, dy);
                 // Premultiplied source scaled by the constant alpha, then source over.
                 const unsigned a = perPixel ? (Channel(s, 24) * constant + 127) / 255 : constant;
                 uint32_t out = a << 24;
                 for (int shift = 0; shift <= 16; shift += 8) {
                   const unsigned sc = (Channel(s, shift) * constant + 127) / 255;
                   const unsigned dc = (Channel(d, shift) * (255 - a) + 127) / 255;
                   out |= static_cast<uint32_t>(sc + dc > 255 ? 255 : sc + dc) << shift;
                 }
                 target.set(dx, dy, out);
               });
  return TRUE;
}
