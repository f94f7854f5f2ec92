#include "detect_service/queues/reconcile.h"

#include <cstring>
#include <string>
#include <vector>

#include "detect_service/queues/queue_naming.h"
#include "detect_service/queues/queue_ops.h"
#include "detect_service/queues/queue_scan.h"
#include "detect_service/queues/service_settings.h"
#include "detect_service/usb/usb_devices.h"
#include "settings_store/settings_store.h"
#include "settings_store/trace.h"

namespace {

// GetPrinterA level 2 reads into a buffer of this size.
constexpr DWORD kInfoBufferSize = 10240;

struct AttachedPrinters {
  char szDevicePath[kDevicePathEntries][kDevicePathSize];
  int count = 0;
  int enablePrinterNum = 0;
};

void ReadConfigBlock(const char* path, unsigned char (&block)[kPrinterConfigSize]) {
  std::memset(block, 0, sizeof(block));
  if (path[0] != '\0') GetPrinterConfig(path, block);
}

void ListAttachedPrinters(AttachedPrinters& printers) {
  std::memset(printers.szDevicePath, 0, sizeof(printers.szDevicePath));
  GetDevicePaths(printers.szDevicePath);
  WriteTrace("szDevicePath[1]: %s\r\n", printers.szDevicePath[1]);
  printers.count = CountPrinterDevices();
  WriteTrace("**** GetPrinterNum() = %d\r\n", printers.count);
  for (int f = 0; f < printers.count; ++f) WriteTrace("f=%d,szDevicePath[f]=%s\r\n", f, printers.szDevicePath[f]);
  printers.enablePrinterNum = 0;
  for (int i = 0; i < printers.count; ++i) {
    unsigned char data[kPrinterConfigSize];
    ReadConfigBlock(printers.szDevicePath[i], data);
    WriteTrace("获取有效配置信息data[0]=%d data[8]=%d data[9]=%d data[10]=%d data[11]=%d \r\n", data[0], data[8],
               data[9], data[10], data[11]);
    if (IsValidResolutionCode(data[11])) ++printers.enablePrinterNum;
  }
  WriteTrace("enablePrinterNum有效的打印机数量=%d\r\n", printers.enablePrinterNum);
}

void RenameQueue(HANDLE printer, const std::string& target) {
  std::vector<BYTE> buffer(kInfoBufferSize);
  DWORD needed = 0;
  if (!GetPrinterA(printer, 2, buffer.data(), kInfoBufferSize, &needed)) return;
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
  info->pPrinterName = const_cast<LPSTR>(target.c_str());
  info->pShareName = const_cast<LPSTR>(target.c_str());
  if (!SetPrinterA(printer, 2, buffer.data(), 0))
    WriteTrace("SetPrinter Level=2 Error=%d\r\n", static_cast<int>(GetLastError()));
}

void NameQueue(const QueueEntry& entry, int k, int queueCount, const AttachedPrinters& printers) {
  const char* current = entry.info->pPrinterName;
  WriteTrace("PrintName=%s\r\n", current);
  unsigned char data[kPrinterConfigSize];
  ReadConfigBlock(k < kDevicePathEntries ? printers.szDevicePath[k] : "", data);
  HANDLE printer = OpenQueueForChange(current);
  if (printer == nullptr) return;
  DWORD position = 0;
  if (ReadPosition(printer, &position) && position != static_cast<DWORD>(k + 1))
    WritePosition(printer, static_cast<DWORD>(k + 1));
  QueueNaming naming = NameForQueue(szPrinterName, queueCount, k, data[11]);
  TraceNaming(queueCount, data[11]);
  if (naming.setResolution) SetResolution(current, 306, printer);
  if (!naming.name.empty()) {
    SavePrinterData(naming.name.c_str(), data);
    if (naming.name != current) RenameQueue(printer, naming.name);
  }
  ClosePrinter(printer);
}

void MarkOffline(HANDLE printer, const QueueEntry& entry) {
  WriteTrace("进入if ((int)dwPosition > enablePrinterNum) 的if语句\r\n");
  std::vector<BYTE> buffer(kInfoBufferSize);
  DWORD needed = 0;
  if (!GetPrinterA(printer, 2, buffer.data(), kInfoBufferSize, &needed)) return;
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
  WriteTrace("设置打印机%s Status=%d 脱机\r\n", entry.info->pPrinterName, static_cast<int>(entry.info->Status));
  if (info->Attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) return;
  info->Attributes |= PRINTER_ATTRIBUTE_WORK_OFFLINE;
  WriteTrace("设置打印机111 Status= ？？？%d   @@@ %s\r\n", static_cast<int>(info->Attributes),
             entry.info->pPrinterName);
  BOOL result = SetPrinterA(printer, 2, buffer.data(), 0);
  WriteTrace("打印机状态的值等于%d\r\n", result);
}

void BringOnline(HANDLE printer) {
  WriteTrace("进入对打印机更新状态的else语句 \r\n");
  std::vector<BYTE> buffer(kInfoBufferSize);
  DWORD needed = 0;
  if (!GetPrinterA(printer, 2, buffer.data(), kInfoBufferSize, &needed)) return;
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
  WriteTrace("GetPrinter返回值为true \r\n");
  WriteTrace("pPrinterInfo2->Status的值等于%d\r\n", static_cast<int>(info->Status));
  if (info->Status != 0) {
    DWORD status = 0;
    SetPrinterA(printer, 0, reinterpret_cast<LPBYTE>(&status), PRINTER_CONTROL_SET_STATUS);
  }
  if (!(info->Attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE)) return;
  WriteTrace("pPrinterInfo2->Attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE 返回值为true \r\n");
  info->Attributes &= ~static_cast<DWORD>(PRINTER_ATTRIBUTE_WORK_OFFLINE);
  BOOL result = SetPrinterA(printer, 2, buffer.data(), 0);
  WriteTrace("打印机状态的值等于%d\r\n", result);
}

// A queue whose Position is above the number of valid printers has no
// printer behind it. One without a Position is left as it is: nothing says
// whether its printer is there.
void UpdateOnlineState(const QueueEntry& entry, int enablePrinterNum) {
  WriteTrace("Printer[i]->pPrinterName的值%s \r\n", entry.info->pPrinterName);
  HANDLE printer = OpenQueueForChange(entry.info->pPrinterName);
  if (printer == nullptr) return;
  WriteTrace("testifornotintoOpenPrinter");
  DWORD dwPosition = 0;
  bool known = ReadPosition(printer, &dwPosition);
  WriteTrace("获得打印数据位置%d %d\r\n", static_cast<int>(dwPosition), enablePrinterNum);
  if (known) {
    if (static_cast<int>(dwPosition) > enablePrinterNum)
      MarkOffline(printer, entry);
    else
      BringOnline(printer);
  }
  ClosePrinter(printer);
}

}  // namespace

void GetPrinterNum() {
  ReadServiceSettings();
  AttachedPrinters printers;
  ListAttachedPrinters(printers);

  QueueInventory inventory;
  if (!inventory.Scan(szDriverName)) return;
  int j = static_cast<int>(inventory.queues.size());
  WriteTrace("idx=%d,dwprinternum=%d \r\n", j, printers.count);
  if (j < printers.enablePrinterNum) {
    for (int n = j + 1; n <= printers.enablePrinterNum; ++n) AddPrinterQueue(n);
    if (!inventory.Scan(szDriverName)) return;
    j = static_cast<int>(inventory.queues.size());
  }

  SortByPosition(inventory.queues);
  for (int i = j - 1; i >= 1; --i) {
    if (i < printers.enablePrinterNum) continue;
    DeletePrinterQueue(inventory.queues[i].info->pPrinterName);
    --j;
  }

  WriteTrace("修改打印机的名称 idx=%d\r\n", j);
  for (int k = 0; k < j; ++k) NameQueue(inventory.queues[k], k, j, printers);

  if (!inventory.Scan(szDriverName)) return;
  WriteTrace("枚举打印机 pcReturned=%d\r\n", static_cast<int>(inventory.returned));
  WriteTrace("对打印机更新状态idx=%d", static_cast<int>(inventory.queues.size()));
  for (const QueueEntry& entry : inventory.queues) UpdateOnlineState(entry, printers.enablePrinterNum);
}
