#include "print_service/printing/base64_decode.h"

#include <cstdint>

namespace orvi {

namespace {

// Indexed by character code 0 to 122 ("z").
constexpr signed char DecodeTable[123] = {
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // 0-15
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // 16-31
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  62, 0,  0,  0,  63,  // 32-47
    52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 0,  0,  0,  0,  0,  0,   // 48-63
    0,  0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,  // 64-79
    15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 0,  0,  0,  0,  0,   // 80-95
    0,  26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40,  // 96-111
    41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51,                      // 112-122
};

// The same values for every byte (codes above 122 count 0), shifted into
// place for each character of a group, so the hot loop needs no range
// check and no shift. A flag bit marks what ends the fast path: CR or LF
// where a group starts, "=" as its third or fourth character.
constexpr uint32_t kSlow = 0x80000000u;

struct GroupTables {
  uint32_t first[256] = {};
  uint32_t second[256] = {};
  uint32_t third[256] = {};
  uint32_t fourth[256] = {};
  constexpr GroupTables() {
    for (unsigned c = 0; c < sizeof(DecodeTable); ++c) {
      const auto v = static_cast<uint32_t>(DecodeTable[c]);
      first[c] = v << 18;
      second[c] = v << 12;
      third[c] = v << 6;
      fourth[c] = v;
    }
    first[static_cast<unsigned char>('\r')] |= kSlow;
    first[static_cast<unsigned char>('\n')] |= kSlow;
    third[static_cast<unsigned char>('=')] |= kSlow;
    fourth[static_cast<unsigned char>('=')] |= kSlow;
  }
};
constexpr GroupTables Tables;

uint32_t Value(unsigned char c) { return Tables.fourth[c] & ~kSlow; }

}  // namespace

std::string Base64Decode(const char* data, size_t length) {
  // Every group adds 4 to the consumed count and yields at most 3 bytes.
  std::string strDecode((length + 3) / 4 * 3, '\0');
  char* out = &strDecode[0];
  size_t size = 0;
  const auto* in = reinterpret_cast<const unsigned char*>(data);
  // The read position never passes the count of consumed positions, so
  // in[pos] is inside the input while i < length.
  size_t pos = 0;
  for (size_t i = 0; i < length;) {
    if (length - pos >= 4) {
      const uint32_t v = Tables.first[in[pos]] | Tables.second[in[pos + 1]] |
                         Tables.third[in[pos + 2]] | Tables.fourth[in[pos + 3]];
      if ((v & kSlow) == 0) {  // a whole group, the common case
        out[size] = static_cast<char>((v >> 16) & 0xFF);
        out[size + 1] = static_cast<char>((v >> 8) & 0xFF);
        out[size + 2] = static_cast<char>(v & 0xFF);
        size += 3;
        pos += 4;
        i += 4;
        continue;
      }
    }
    if (in[pos] == '\r' || in[pos] == '\n') {
      ++pos;
      ++i;
      continue;
    }
    const size_t left = length - pos;
    if (left < 2) break;
    uint32_t v = (Value(in[pos]) << 18) | (Value(in[pos + 1]) << 12);
    out[size++] = static_cast<char>((v >> 16) & 0xFF);
    pos += 2;
    if (left > 2 && in[pos] != '=') {
      v |= Value(in[pos]) << 6;
      out[size++] = static_cast<char>((v >> 8) & 0xFF);
      ++pos;
      if (left > 3 && in[pos] != '=') {
        v |= Value(in[pos]);
        out[size++] = static_cast<char>(v & 0xFF);
        ++pos;
      }
    }
    i += 4;
  }
  strDecode.resize(size);
  return strDecode;
}

}  // namespace orvi
