// Times Base64Decode against OpenSSL's EVP_DecodeBlock on the same base64
// text (random bytes, no line breaks, no padding) and checks that both give
// the same bytes. Prints one line per size:
//   text_bytes ours_ms openssl_ms ratio(openssl_ms / ours_ms)
// Times are the best of many runs, the two decoders taking turns.
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "print_service/printing/base64_decode.h"

namespace {

std::string Encode(const std::string& bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                reinterpret_cast<const unsigned char*>(bytes.data()),
                                static_cast<int>(bytes.size()));
  text.resize(static_cast<size_t>(n));
  return text;
}

double Ms(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The two decoders take turns, so that load from other work on the machine
// falls on both alike; the fastest run of each counts.
template <typename A, typename B>
std::pair<double, double> BestOfInterleaved(int runs, A&& a, B&& b) {
  double bestA = 1e300, bestB = 1e300;
  for (int r = 0; r < runs; ++r) {
    auto start = std::chrono::steady_clock::now();
    a();
    bestA = std::min(bestA, Ms(start));
    start = std::chrono::steady_clock::now();
    b();
    bestB = std::min(bestB, Ms(start));
  }
  return {bestA, bestB};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<size_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoull(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {1000000, 10000000};
  std::mt19937_64 random(42);
  std::printf("%-12s %10s %12s %8s\n", "text_bytes", "ours_ms", "openssl_ms", "ratio");
  for (size_t textSize : sizes) {
    // Whole groups of three bytes, so that the text carries no padding.
    std::string bytes(textSize / 4 * 3, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    const std::string text = Encode(bytes);
    const int runs = textSize > 5000000 ? 30 : 200;

    std::string ours;
    const auto* input = reinterpret_cast<const unsigned char*>(text.data());
    const int inputSize = static_cast<int>(text.size());
    const auto [oursMs, opensslMs] = BestOfInterleaved(
        runs, [&] { ours = orvi::Base64Decode(text.data(), text.size()); },
        [&] {
          // Like Base64Decode, each call gets a fresh output buffer.
          auto* out = static_cast<unsigned char*>(std::malloc(text.size() / 4 * 3 + 3));
          if (EVP_DecodeBlock(out, input, inputSize) < 0) std::abort();
          std::free(out);
        });
    std::vector<unsigned char> theirs(text.size() / 4 * 3 + 3);
    const int theirsSize = EVP_DecodeBlock(theirs.data(), input, inputSize);
    if (ours != bytes || theirsSize != static_cast<int>(bytes.size()) ||
        !std::equal(bytes.begin(), bytes.end(), theirs.begin(),
                    [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; })) {
      std::fprintf(stderr, "decoders disagree on %zu bytes of text\n", text.size());
      return 1;
    }
    std::printf("%-12zu %10.3f %12.3f %8.2f\n", text.size(), oursMs, opensslMs, opensslMs / oursMs);
  }
  return 0;
}
