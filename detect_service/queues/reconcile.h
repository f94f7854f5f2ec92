// One reconciliation of the driver's queues with the attached printers.
#pragma once

// Reads the installation values, lists the attached printers and their
// configuration blocks, adds, orders, prunes, renumbers and names the
// queues, records their settings and marks queues without a printer
// offline. Callers must not run two at once.
void GetPrinterNum();
