// The machine the detection service expects after installation: the data
// folder, the install key under HKLM\SOFTWARE\USB Printer Service ORVI
// (queue "ORVI", driver "ORVI Label Driver", port "USB001"), that driver
// and that port.
#pragma once

namespace test_support {

void InstallOrviPrinterSetup();

}  // namespace test_support
