#include "print_service/printing/base64_decode.h"

namespace orvi {

namespace {

// Indexed by character code 0 to 122 ("z").
const signed char DecodeTable[123] = {
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // 0-15
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // 16-31
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  62, 0,  0,  0,  63,  // 32-47
    52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 0,  0,  0,  0,  0,  0,   // 48-63
    0,  0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,  // 64-79
    15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 0,  0,  0,  0,  0,   // 80-95
    0,  26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40,  // 96-111
    41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51,                      // 112-122
};

int Value(unsigned char c) { return c < sizeof(DecodeTable) ? DecodeTable[c] : 0; }

}  // namespace

std::string Base64Decode(const char* data, size_t length) {
  std::string strDecode;
  const auto* in = reinterpret_cast<const unsigned char*>(data);
  // The read position never passes the count of consumed positions, so
  // in[pos] is inside the input while i < length.
  size_t pos = 0;
  for (size_t i = 0; i < length;) {
    if (in[pos] == '\r' || in[pos] == '\n') {
      ++pos;
      ++i;
      continue;
    }
    const size_t left = length - pos;
    if (left < 2) break;
    int v = (Value(in[pos]) << 18) + (Value(in[pos + 1]) << 12);
    strDecode += static_cast<char>((v >> 16) & 0xFF);
    pos += 2;
    if (left > 2 && in[pos] != '=') {
      v += Value(in[pos]) << 6;
      strDecode += static_cast<char>((v >> 8) & 0xFF);
      ++pos;
      if (left > 3 && in[pos] != '=') {
        v += Value(in[pos]);
        strDecode += static_cast<char>(v & 0xFF);
        ++pos;
      }
    }
    i += 4;
  }
  return strDecode;
}

}  // namespace orvi
