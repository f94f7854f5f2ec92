// Image decoding on machines without GDI+: stb_image over the file that
// _wfopen opens.
#ifndef _WIN32

#include <stb_image.h>

#include <cstdio>

#include "print_service/printing/image.h"

namespace orvi {

bool DecodeImageFile(const WCHAR* path, DecodedImage& out) {
  FILE* file = _wfopen(path, L"rb");
  if (file == nullptr) return false;
  uint8_t head[8] = {};
  const size_t headSize = std::fread(head, 1, sizeof head, file);
  if (!IsSupportedImageFormat(head, headSize) || std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return false;
  }
  int width = 0, height = 0, channels = 0;
  stbi_uc* rgba = stbi_load_from_file(file, &width, &height, &channels, 4);
  std::fclose(file);
  if (rgba == nullptr) return false;
  out.width = width;
  out.height = height;
  out.alpha = channels == 2 || channels == 4;
  out.bgra.resize(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < out.bgra.size(); i += 4) {
    const unsigned a = out.alpha ? rgba[i + 3] : 255;
    out.bgra[i + 0] = static_cast<uint8_t>((rgba[i + 2] * a + 127) / 255);
    out.bgra[i + 1] = static_cast<uint8_t>((rgba[i + 1] * a + 127) / 255);
    out.bgra[i + 2] = static_cast<uint8_t>((rgba[i + 0] * a + 127) / 255);
    out.bgra[i + 3] = static_cast<uint8_t>(a);
  }
  stbi_image_free(rgba);
  return true;
}

}  // namespace orvi

#endif
