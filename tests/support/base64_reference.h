// The base64 decoder as first written, one byte appended at a time: the
// behaviour any faster decoder must keep for every input. Shared by the unit
// tests and the payload fuzzer, which compare the product's decoder with it.
#pragma once

#include <string>

namespace test_support {

inline std::string ByteAtATimeDecode(const std::string& text) {
  const auto value = [](unsigned char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return 0;
  };
  std::string bytes;
  const size_t length = text.size();
  size_t pos = 0;
  for (size_t i = 0; i < length;) {
    if (text[pos] == '\r' || text[pos] == '\n') {
      ++pos;
      ++i;
      continue;
    }
    const size_t left = length - pos;
    if (left < 2) break;
    int v = (value(text[pos]) << 18) + (value(text[pos + 1]) << 12);
    bytes += static_cast<char>((v >> 16) & 0xFF);
    pos += 2;
    if (left > 2 && text[pos] != '=') {
      v += value(text[pos]) << 6;
      bytes += static_cast<char>((v >> 8) & 0xFF);
      ++pos;
      if (left > 3 && text[pos] != '=') {
        v += value(text[pos]);
        bytes += static_cast<char>(v & 0xFF);
        ++pos;
      }
    }
    i += 4;
  }
  return bytes;
}

}  // namespace test_support
