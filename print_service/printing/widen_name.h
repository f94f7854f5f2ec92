// The printer-name conversion of the resolution lookup and the print job:
// one UTF-16 unit per byte, no code page applied.
#pragma once

#include <memory>
#include <string>

#include "platform/win32.h"

namespace orvi {

// A newly allocated, zero-terminated wide string holding one unit per byte
// of `name`, each with the numeric value of its byte (0 to 255).
std::unique_ptr<WCHAR[]> WidenName(const std::string& name);

}  // namespace orvi
