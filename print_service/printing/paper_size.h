// The label page: sized to the image, one image pixel per printer dot.
#pragma once

#include <optional>

#include "platform/win32.h"

namespace orvi {

// Tenths of a millimetre.
struct PaperSize {
  int length = 0;  // along the image width (landscape: across the page)
  int width = 0;   // along the image height
};

// 12 dots per millimetre for print quality 300 or 306, else 8; the 8-dot
// length carries a factor of 10.05 (half a per cent of extra length).
PaperSize LabelPaperSize(short printQuality, int imageWidth, int imageHeight);

// Whether both dimensions fit the device mode's 16-bit fields as a real
// paper size (1 to 32767).
bool FitsDevMode(const PaperSize& paper);

// Landscape with a custom paper of that size; the other fields stay.
void ApplyLabelPage(DEVMODEW& devmode, const PaperSize& paper);

}  // namespace orvi
