// WriteTrace: the detection service's trace hook. It takes a printf-style
// format and writes nothing; tests may install a sink to see the texts.
#pragma once

#include <string>

void WriteTrace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

namespace orvi {
// Test hook: receives every formatted trace text. Null (the default): the
// traces go nowhere.
using TraceSink = void (*)(const std::string& text);
void SetTraceSink(TraceSink sink);
}  // namespace orvi
