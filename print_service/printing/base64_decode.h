#pragma once

#include <cstddef>
#include <string>

namespace orvi {

// Table-driven base64: groups of four characters; CR/LF skipped where a
// group would start; "=" ends a group only as its third or fourth
// character; characters outside the alphabet (codes above 122 included)
// count as 0. A last group cut short by the end of the input ends there as
// if "=" followed; a lone last character yields nothing.
std::string Base64Decode(const char* data, size_t length);

}  // namespace orvi
