// Fuzzes the request-body path of PrintImage: split, decode and save. The
// decoder must give the same bytes as the byte-at-a-time reference for any
// text, and the input back from well-formed base64 of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "print_service/printing/base64_decode.h"
#include "print_service/printing/image_payload.h"
#include "print_service/printing/split_string.h"
#include "standin/control.h"
#include "support/base64_reference.h"

namespace {

std::string Encode(const uint8_t* data, size_t size) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < size; i += 3) {
    uint32_t v = static_cast<uint32_t>(data[i]) << 16;
    if (i + 1 < size) v |= static_cast<uint32_t>(data[i + 1]) << 8;
    if (i + 2 < size) v |= data[i + 2];
    out += alphabet[(v >> 18) & 63];
    out += alphabet[(v >> 12) & 63];
    out += i + 1 < size ? alphabet[(v >> 6) & 63] : '=';
    out += i + 2 < size ? alphabet[v & 63] : '=';
    // Line breaks between groups, as MIME writes them; none after the last
    // group, where a break after "=" padding would be read out of step.
    if (i % 57 == 54 && i + 3 < size) out += "\r\n";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (standin::Reset(), true);
  (void)ready;
  const std::string body(reinterpret_cast<const char*>(data), size);
  orvi::SaveImagePayload(body);
  const std::vector<std::string> pieces = orvi::SplitString(body, ",");
  for (const std::string& piece : pieces)
    if (orvi::Base64Decode(piece.data(), piece.size()) != test_support::ByteAtATimeDecode(piece)) std::abort();

  const std::string encoded = Encode(data, size);
  if (orvi::Base64Decode(encoded.data(), encoded.size()) != body) std::abort();
  return 0;
}
