// Diagnostic output of the print service: standard output only.
#pragma once

#include <string>

namespace orvi {

// Writes `text`, a line end, and flushes.
void LogLine(const std::string& text);

}  // namespace orvi
