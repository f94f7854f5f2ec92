#pragma once

#include <string>
#include <vector>

namespace orvi {

// Cuts `text` at every occurrence of `delimiter` (not empty); n delimiters
// give n + 1 pieces, empty ones included.
std::vector<std::string> SplitString(std::string text, std::string delimiter);

}  // namespace orvi
