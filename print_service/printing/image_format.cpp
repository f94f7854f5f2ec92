#include <cstring>

#include "print_service/printing/image.h"

namespace orvi {

bool IsSupportedImageFormat(const uint8_t* head, size_t size) {
  const auto startsWith = [&](const char* magic, size_t length) {
    return size >= length && std::memcmp(head, magic, length) == 0;
  };
  return startsWith("\x89PNG\r\n\x1a\n", 8) || startsWith("\xff\xd8\xff", 3) || startsWith("BM", 2) ||
         startsWith("GIF87a", 6) || startsWith("GIF89a", 6);
}

}  // namespace orvi
