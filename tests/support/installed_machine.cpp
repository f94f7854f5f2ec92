#include "support/installed_machine.h"

#include <filesystem>
#include <string>

#include "standin/control.h"
#include "standin/control_registry.h"
#include "standin/control_spooler.h"

namespace test_support {

void InstallOrviPrinterSetup() {
  const char key[] = "HKLM\\SOFTWARE\\USB Printer Service ORVI";
  std::filesystem::create_directories(standin::MapPath(std::string("C:\\ProgramData")));
  standin::SetRegistryString(key, "PrinterName", "ORVI");
  standin::SetRegistryString(key, "DriverName", "ORVI Label Driver");
  standin::SetRegistryString(key, "PrinterPort", "USB001");
  standin::InstallDriver(L"ORVI Label Driver");
  standin::InstallPort(L"USB001");
}

}  // namespace test_support
