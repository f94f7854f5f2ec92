// State shared by the GDI files: device contexts and DIB sections.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "standin/control_spooler.h"
#include "standin/gdi.h"

namespace standin::gdi_internal {

struct Dib {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bitCount = 0;
  size_t stride = 0;
  std::vector<uint8_t> bits;
  // 0xAARRGGBB of pixel (x, y), y counted from the top; 24-bit pixels are opaque.
  uint32_t Get(int x, int y) const;
  void Set(int x, int y, uint32_t argb);
};

struct Dc {
  bool printer = false;
  std::wstring queue;
  DEVMODEW devmode{};
  DeviceCaps caps;
  int job = -1;  // index into the model's jobs while a document is open
  bool inPage = false;
  Page page;
  HGDIOBJ selected = nullptr;  // memory DC: the selected bitmap
};

struct State {
  std::mutex mutex;
  std::map<HDC, Dc> dcs;
  std::map<HGDIOBJ, Dib> dibs;
};
State& state();

// The bitmap every memory DC starts with; not a handle of the table.
HGDIOBJ StockBitmap();

// Page extent in device pixels for a device mode at the DC's resolution:
// a custom paper (dmPaperSize 0 with length and width) converts tenths of
// a millimetre to dots, rounded to nearest; otherwise the queue's physical
// page. Landscape swaps the extents: length across, width down.
void PageExtent(const DEVMODEW& dm, const DeviceCaps& caps, int& width, int& height);

}  // namespace standin::gdi_internal
