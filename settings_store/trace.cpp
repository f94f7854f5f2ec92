#include "settings_store/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {
std::atomic<orvi::TraceSink> sink{nullptr};
}

namespace orvi {
void SetTraceSink(TraceSink s) { sink.store(s); }
}  // namespace orvi

void WriteTrace(const char* format, ...) {
  orvi::TraceSink s = sink.load();
  if (s == nullptr) return;
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::vector<char> buf(n > 0 ? static_cast<size_t>(n) + 1 : 1, '\0');
  if (n > 0) std::vsnprintf(buf.data(), buf.size(), format, args);
  va_end(args);
  s(std::string(buf.data(), n > 0 ? static_cast<size_t>(n) : 0));
}
