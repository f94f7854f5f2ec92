#include "print_service/printing/paper_size.h"

namespace orvi {

namespace {
int Clamp(long long v) {
  if (v > 2147483647LL) return 2147483647;
  if (v < 0) return 0;
  return static_cast<int>(v);
}
}  // namespace

PaperSize LabelPaperSize(short printQuality, int imageWidth, int imageHeight) {
  PaperSize paper;
  if (printQuality == 306 || printQuality == 300) {
    paper.length = Clamp(static_cast<long long>(imageWidth) * 10 / 12);
    paper.width = Clamp(static_cast<long long>(imageHeight) * 10 / 12);
  } else {
    paper.length = Clamp(static_cast<long long>(static_cast<double>(imageWidth) * 10.05 / 8.0));
    paper.width = Clamp(static_cast<long long>(imageHeight) * 10 / 8);
  }
  return paper;
}

bool FitsDevMode(const PaperSize& paper) {
  return paper.length >= 1 && paper.length <= 32767 && paper.width >= 1 && paper.width <= 32767;
}

void ApplyLabelPage(DEVMODEW& devmode, const PaperSize& paper) {
  devmode.dmFields |= DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
  devmode.dmOrientation = DMORIENT_LANDSCAPE;
  devmode.dmPaperSize = 0;
  devmode.dmPaperLength = static_cast<short>(paper.length);
  devmode.dmPaperWidth = static_cast<short>(paper.width);
}

}  // namespace orvi
