#include <iconv.h>

#include <stdexcept>

#include "support/test_support.h"

namespace test_support {

std::string Cp936(const std::string& utf8) {
  iconv_t cd = iconv_open("CP936", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP936 converter");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  char* dst = out.data();
  size_t out_left = out.size();
  size_t rc = iconv(cd, &in, &in_left, &dst, &out_left);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) throw std::runtime_error("not convertible to CP936");
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace test_support
