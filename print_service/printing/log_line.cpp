#include "print_service/printing/log_line.h"

#include <cstdio>

namespace orvi {

void LogLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace orvi
