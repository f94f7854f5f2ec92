#include "print_service/printing/printer_filter.h"

namespace orvi {

namespace {
const char* const SupportedModelNames[] = {"ORVI", "Q52 Label Printer", "ORVI300"};
}  // namespace

int FilterMode(bool onlyLocal, bool onlyOnline, bool onlySupported) {
  return 4 * static_cast<int>(onlyLocal) + 2 * static_cast<int>(onlyOnline) +
         static_cast<int>(onlySupported);
}

bool IsSupportedModelName(const std::string& narrowName) {
  for (const char* model : SupportedModelNames)
    if (narrowName == model) return true;
  return false;
}

bool QueuePassesFilter(int mode, DWORD attributes, const std::string& narrowName) {
  const bool local = (attributes & PRINTER_ATTRIBUTE_NETWORK) == 0;
  const bool online = (attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) == 0;
  if ((mode & 4) && !local) return false;
  if ((mode & 2) && !online) return false;
  if ((mode & 1) && !IsSupportedModelName(narrowName)) return false;
  return true;
}

}  // namespace orvi
