// Helpers shared by the native tests.
#pragma once

#include <string>

namespace test_support {

// The code page 936 bytes of a UTF-8 text, converted independently of the
// compiler's execution charset, so tests can state expected log bytes.
std::string Cp936(const std::string& utf8);

}  // namespace test_support
