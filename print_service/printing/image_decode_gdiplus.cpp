// Image decoding on Windows: GDI+ (flat API) into 32-bit rows, alpha
// premultiplied as AlphaBlend expects.
#ifdef _WIN32

#include <cstring>

#include "print_service/printing/image.h"

namespace orvi {

namespace {

// GDI+ stays started from the first decode until the process ends, the way
// one idle ATL image keeps it.
class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (started_) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool started() const { return started_; }

 private:
  ULONG_PTR token_ = 0;
  bool started_ = false;
};

bool GdiplusStarted() {
  static GdiplusSession session;
  return session.started();
}

class BitmapHolder {
 public:
  explicit BitmapHolder(Gdiplus::GpBitmap* bitmap) : bitmap_(bitmap) {}
  ~BitmapHolder() { Gdiplus::DllExports::GdipDisposeImage(bitmap_); }
  BitmapHolder(const BitmapHolder&) = delete;
  BitmapHolder& operator=(const BitmapHolder&) = delete;

 private:
  Gdiplus::GpBitmap* bitmap_;
};

}  // namespace

bool DecodeImageFile(const WCHAR* path, DecodedImage& out) {
  namespace gp = Gdiplus;
  namespace flat = Gdiplus::DllExports;
  if (!GdiplusStarted()) return false;
  gp::GpBitmap* bitmap = nullptr;
  if (flat::GdipCreateBitmapFromFile(path, &bitmap) != gp::Ok || bitmap == nullptr) return false;
  BitmapHolder holder(bitmap);

  UINT width = 0, height = 0;
  gp::PixelFormat format = 0;
  if (flat::GdipGetImageWidth(bitmap, &width) != gp::Ok ||
      flat::GdipGetImageHeight(bitmap, &height) != gp::Ok ||
      flat::GdipGetImagePixelFormat(bitmap, &format) != gp::Ok || width == 0 || height == 0)
    return false;
  const bool alpha = (format & PixelFormatAlpha) != 0;
  gp::Rect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  gp::BitmapData data{};
  if (flat::GdipBitmapLockBits(bitmap, &rect, gp::ImageLockModeRead,
                               alpha ? PixelFormat32bppPARGB : PixelFormat32bppRGB,
                               &data) != gp::Ok)
    return false;
  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.alpha = alpha;
  out.bgra.resize(static_cast<size_t>(width) * height * 4);
  for (UINT y = 0; y < height; ++y) {
    const auto* row = static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
    std::memcpy(out.bgra.data() + static_cast<size_t>(y) * width * 4, row, static_cast<size_t>(width) * 4);
  }
  flat::GdipBitmapUnlockBits(bitmap, &data);
  return true;
}

}  // namespace orvi

#endif
