// GDI state, the page geometry and DIB pixel access.
#include "gdi_internal.h"

#include "standin/control.h"

namespace standin::gdi_internal {
namespace {
void ResetGdi() {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().dcs.clear();
  state().dibs.clear();
}
const bool registered = RegisterResetHook(&ResetGdi);

int TenthsToDots(int tenths, int dpi) {
  return static_cast<int>((static_cast<long long>(tenths) * dpi + 127) / 254);
}
}  // namespace

State& state() {
  static auto* s = new State;
  return *s;
}

HGDIOBJ StockBitmap() {
  static int token;
  return &token;
}

void PageExtent(const DEVMODEW& dm, const DeviceCaps& caps, int& width, int& height) {
  const bool landscape = (dm.dmFields & DM_ORIENTATION) && dm.dmOrientation == DMORIENT_LANDSCAPE;
  const bool custom = (dm.dmFields & DM_PAPERLENGTH) && (dm.dmFields & DM_PAPERWIDTH) &&
                      dm.dmPaperSize == 0 && dm.dmPaperLength > 0 && dm.dmPaperWidth > 0;
  if (custom) {
    if (landscape) {
      width = TenthsToDots(dm.dmPaperLength, caps.logPixelsX);
      height = TenthsToDots(dm.dmPaperWidth, caps.logPixelsY);
    } else {
      width = TenthsToDots(dm.dmPaperWidth, caps.logPixelsX);
      height = TenthsToDots(dm.dmPaperLength, caps.logPixelsY);
    }
    return;
  }
  width = landscape ? caps.physicalHeight : caps.physicalWidth;
  height = landscape ? caps.physicalWidth : caps.physicalHeight;
}

uint32_t Dib::Get(int x, int y) const {
  const int row = topDown ? y : height - 1 - y;
  const uint8_t* p = bits.data() + static_cast<size_t>(row) * stride + static_cast<size_t>(x) * (bitCount / 8);
  const uint32_t alpha = bitCount == 32 ? p[3] : 0xFFu;
  return (alpha << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

void Dib::Set(int x, int y, uint32_t argb) {
  const int row = topDown ? y : height - 1 - y;
  uint8_t* p = bits.data() + static_cast<size_t>(row) * stride + static_cast<size_t>(x) * (bitCount / 8);
  p[0] = static_cast<uint8_t>(argb);
  p[1] = static_cast<uint8_t>(argb >> 8);
  p[2] = static_cast<uint8_t>(argb >> 16);
  if (bitCount == 32) p[3] = static_cast<uint8_t>(argb >> 24);
}

}  // namespace standin::gdi_internal
