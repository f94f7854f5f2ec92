// The installed printer queues that pass the list filters.
#pragma once

#include <string>
#include <vector>

namespace orvi {

// Narrow names (system ANSI code page) in the spooler's order; empty when
// the spooler cannot be asked. The list holds every queue that passes.
std::vector<std::string> GetPrinterList(bool onlyLocal, bool onlyOnline, bool onlySupported);

}  // namespace orvi
