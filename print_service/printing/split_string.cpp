#include "print_service/printing/split_string.h"

namespace orvi {

std::vector<std::string> SplitString(std::string text, std::string delimiter) {
  std::vector<std::string> stringVector;
  if (delimiter.empty()) {
    stringVector.push_back(text);
    return stringVector;
  }
  size_t start = 0;
  for (size_t found = text.find(delimiter); found != std::string::npos;
       found = text.find(delimiter, start)) {
    stringVector.push_back(text.substr(start, found - start));
    start = found + delimiter.size();
  }
  stringVector.push_back(text.substr(start));
  return stringVector;
}

}  // namespace orvi
