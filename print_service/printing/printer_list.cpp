#include "print_service/printing/printer_list.h"

#include <new>

#include "platform/win32.h"
#include "print_service/printing/log_line.h"
#include "print_service/printing/narrow_name.h"
#include "print_service/printing/printer_filter.h"

namespace orvi {

std::vector<std::string> GetPrinterList(bool onlyLocal, bool onlyOnline, bool onlySupported) {
  std::vector<std::string> result;
  DWORD needed = 0;
  DWORD returned = 0;
  EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
  std::vector<BYTE> buffer;
  try {
    buffer.resize(needed);
  } catch (const std::bad_alloc&) {
    return result;
  }
  if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &returned))
    return result;

  const int mode = FilterMode(onlyLocal, onlyOnline, onlySupported);
  const auto* records = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < returned; ++i) {
    std::string name = NarrowName(records[i].pPrinterName);
    LogLine(NarrowName(records[i].pServerName));
    if (QueuePassesFilter(mode, records[i].Attributes, name)) result.push_back(std::move(name));
  }
  LogLine("number " + std::to_string(returned));
  return result;
}

}  // namespace orvi
