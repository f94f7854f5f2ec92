// A decoded image held as a DIB section and drawn one to one, in the way
// ATL's CImage does it: StretchBlt SRCCOPY, or AlphaBlend with per-pixel
// alpha for an image that has an alpha channel. Decoders report alpha for
// opaque pictures too (GDI+ gives grayscale PNGs as ARGB); such a picture
// is held without alpha. Where the device cannot blend (many printer
// drivers cannot), the picture is composed over white paper and copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win32.h"

namespace orvi {

// What a decoder hands over: top-down rows of B, G, R, A bytes; with
// `alpha` the colours are premultiplied, without it A is ignored.
struct DecodedImage {
  int width = 0;
  int height = 0;
  bool alpha = false;
  std::vector<uint8_t> bgra;
};

// Decodes an image file (PNG, JPEG, BMP, GIF; the content decides, not the
// name). False when the file is missing, empty or not an image. One
// implementation per platform.
bool DecodeImageFile(const WCHAR* path, DecodedImage& out);

// True when the first bytes are those of a PNG, JPEG, BMP or GIF file. A
// decoder that reads more formats than the platform's (stb_image also reads
// TGA, PSD, PNM and others, and takes truncated ones of those whole) must
// refuse the rest, as the platform's decoder does.
bool IsSupportedImageFormat(const uint8_t* head, size_t size);

class CImage {
 public:
  CImage() = default;
  ~CImage() { Destroy(); }
  CImage(const CImage&) = delete;
  CImage& operator=(const CImage&) = delete;

  // Replaces what the image held; false when nothing could be loaded.
  bool Load(const WCHAR* path);
  bool IsNull() const { return bitmap_ == nullptr; }
  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  bool HasAlphaChannel() const { return alpha_; }
  // Draws the whole image into `rect` of `dc`.
  bool Draw(HDC dc, const RECT& rect) const;
  void Destroy();

 private:
  bool DrawOverWhite(HDC dc, const RECT& rect) const;

  HBITMAP bitmap_ = nullptr;
  const uint8_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  bool alpha_ = false;
};

}  // namespace orvi
