#include "print_service/printing/widen_name.h"

namespace orvi {

std::unique_ptr<WCHAR[]> WidenName(const std::string& name) {
  auto wide = std::make_unique<WCHAR[]>(name.size() + 1);
  for (size_t i = 0; i < name.size(); ++i)
    wide[i] = static_cast<WCHAR>(static_cast<unsigned char>(name[i]));
  wide[name.size()] = 0;
  return wide;
}

}  // namespace orvi
