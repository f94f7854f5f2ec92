#include "print_service/printing/image.h"

#include <cstring>

namespace orvi {

namespace {
size_t Stride(int width, int bitCount) {
  return ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
}

// A top-down DIB section of 32 or 24 bits per pixel.
HBITMAP CreateSection(int width, int height, int bitCount, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

void CopyPixels(const DecodedImage& image, uint8_t* bits) {
  const size_t bytesPerPixel = image.alpha ? 4 : 3;
  const size_t stride = Stride(image.width, image.alpha ? 32 : 24);
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* src = image.bgra.data() + static_cast<size_t>(y) * image.width * 4;
    uint8_t* dst = bits + static_cast<size_t>(y) * stride;
    for (int x = 0; x < image.width; ++x, src += 4, dst += bytesPerPixel)
      std::memcpy(dst, src, bytesPerPixel);
  }
}

bool AllOpaque(const DecodedImage& image) {
  for (size_t i = 3; i < image.bgra.size(); i += 4)
    if (image.bgra[i] != 255) return false;
  return true;
}

BOOL Copy(HDC dc, const RECT& rect, HBITMAP bitmap, int width, int height, bool blend) {
  HDC source = CreateCompatibleDC(dc);
  if (source == nullptr) return FALSE;
  HGDIOBJ previous = SelectObject(source, bitmap);
  BOOL drawn = FALSE;
  if (previous != nullptr) {
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    if (blend) {
      BLENDFUNCTION function{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      drawn = AlphaBlend(dc, rect.left, rect.top, w, h, source, 0, 0, width, height, function);
    } else {
      drawn = StretchBlt(dc, rect.left, rect.top, w, h, source, 0, 0, width, height, SRCCOPY);
    }
    SelectObject(source, previous);
  }
  DeleteDC(source);
  return drawn;
}
}  // namespace

bool CImage::Load(const WCHAR* path) {
  Destroy();
  DecodedImage image;
  if (!DecodeImageFile(path, image) || image.width <= 0 || image.height <= 0) return false;
  if (image.alpha && AllOpaque(image)) image.alpha = false;
  void* bits = nullptr;
  HBITMAP bitmap = CreateSection(image.width, image.height, image.alpha ? 32 : 24, &bits);
  if (bitmap == nullptr || bits == nullptr) {
    if (bitmap) DeleteObject(bitmap);
    return false;
  }
  CopyPixels(image, static_cast<uint8_t*>(bits));
  bitmap_ = bitmap;
  bits_ = static_cast<const uint8_t*>(bits);
  width_ = image.width;
  height_ = image.height;
  alpha_ = image.alpha;
  return true;
}

bool CImage::Draw(HDC dc, const RECT& rect) const {
  if (bitmap_ == nullptr) return false;
  if (Copy(dc, rect, bitmap_, width_, height_, alpha_)) return true;
  return alpha_ && DrawOverWhite(dc, rect);
}

// Premultiplied colour over white: c + (255 - a) per channel.
bool CImage::DrawOverWhite(HDC dc, const RECT& rect) const {
  void* bits = nullptr;
  HBITMAP composed = CreateSection(width_, height_, 24, &bits);
  if (composed == nullptr || bits == nullptr) {
    if (composed) DeleteObject(composed);
    return false;
  }
  const size_t inStride = Stride(width_, 32);
  const size_t outStride = Stride(width_, 24);
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = bits_ + static_cast<size_t>(y) * inStride;
    uint8_t* dst = static_cast<uint8_t*>(bits) + static_cast<size_t>(y) * outStride;
    for (int x = 0; x < width_; ++x, src += 4, dst += 3)
      for (int c = 0; c < 3; ++c) {
        const unsigned v = src[c] + 255u - src[3];
        dst[c] = static_cast<uint8_t>(v > 255 ? 255 : v);
      }
  }
  const bool drawn = Copy(dc, rect, composed, width_, height_, false) != FALSE;
  DeleteObject(composed);
  return drawn;
}

void CImage::Destroy() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  bitmap_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
  alpha_ = false;
}

}  // namespace orvi
