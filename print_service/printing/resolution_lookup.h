// GetPrinterResolution: a queue's dots per inch, physical page size and
// print quality, a custom resolution stored for the queue taking precedence.
#pragma once

#include <variant>

namespace orvi {

struct PrinterResolution {
  int xDPI;
  int yDPI;
  int physicalWidth;
  int physicalHeight;
  int printQuality;
};

enum class ResolutionFailure {
  OpenPrinterFailed,  // the spooler did not open the queue
  CreateDcFailed,     // the queue opened, but no device context came of it
};

using ResolutionOutcome = std::variant<PrinterResolution, ResolutionFailure>;

// The text of the key "Resolution" read as atoi does (leading white space,
// an optional sign, digits up to the first non-digit), saturating at the
// 32-bit limits instead of overflowing.
int ParseCustomResolution(const char* text);

// The answer when the device is not available: the custom resolution when
// one is stored (page size 0 x 0), else the failure.
ResolutionOutcome ResolutionWithoutDevice(int customResolution, ResolutionFailure failure);

// The custom resolution stored for the queue in its settings file; 0 when
// none is stored, nothing could be read, or the name does not name a file
// of the data directory. Prints its lines to standard output.
int ReadCustomResolution(const char* printerName);

// `printerName` is a non-empty narrow name, used as the settings-file name
// and, widened byte by byte, as the queue name.
ResolutionOutcome GetPrinterResolution(const char* printerName);

}  // namespace orvi
