#include "print_service/printing/narrow_name.h"

#include <vector>

namespace orvi {

std::string NarrowName(const WCHAR* name) {
  if (name == nullptr) return std::string();
  const int size = WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, name, -1, buffer.data(), size, nullptr, nullptr) <= 0)
    return std::string();
  return std::string(buffer.data());
}

}  // namespace orvi
