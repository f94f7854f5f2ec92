#include "print_service/printing/image.h"

#include <cstring>

namespace orvi {

namespace {
// A top-down DIB section, 32 bits for an image with alpha, else 24.
HBITMAP CreateSection(const DecodedImage& image, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = image.alpha ? 32 : 24;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

void CopyPixels(const DecodedImage& image, uint8_t* bits) {
  const size_t bytesPerPixel = image.alpha ? 4 : 3;
  const size_t stride = ((static_cast<size_t>(image.width) * bytesPerPixel * 8 + 31) / 32) * 4;
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* src = image.bgra.data() + static_cast<size_t>(y) * image.width * 4;
    uint8_t* dst = bits + static_cast<size_t>(y) * stride;
    for (int x = 0; x < image.width; ++x, src += 4, dst += bytesPerPixel)
      std::memcpy(dst, src, bytesPerPixel);
  }
}
}  // namespace

bool CImage::Load(const WCHAR* path) {
  Destroy();
  DecodedImage image;
  if (!DecodeImageFile(path, image) || image.width <= 0 || image.height <= 0) return false;
  void* bits = nullptr;
  HBITMAP bitmap = CreateSection(image, &bits);
  if (bitmap == nullptr || bits == nullptr) {
    if (bitmap) DeleteObject(bitmap);
    return false;
  }
  CopyPixels(image, static_cast<uint8_t*>(bits));
  bitmap_ = bitmap;
  width_ = image.width;
  height_ = image.height;
  alpha_ = image.alpha;
  return true;
}

bool CImage::Draw(HDC dc, const RECT& rect) const {
  if (bitmap_ == nullptr) return false;
  HDC source = CreateCompatibleDC(dc);
  if (source == nullptr) return false;
  HGDIOBJ previous = SelectObject(source, bitmap_);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  BOOL drawn = FALSE;
  if (previous != nullptr) {
    if (alpha_) {
      BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      drawn = AlphaBlend(dc, rect.left, rect.top, width, height, source, 0, 0, width_, height_,
                         blend);
    } else {
      drawn = StretchBlt(dc, rect.left, rect.top, width, height, source, 0, 0, width_, height_,
                         SRCCOPY);
    }
    SelectObject(source, previous);
  }
  DeleteDC(source);
  return drawn != FALSE;
}

void CImage::Destroy() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  bitmap_ = nullptr;
  width_ = height_ = 0;
  alpha_ = false;
}

}  // namespace orvi
