#include "print_service/printing/print_label.h"

#include <cstdio>
#include <string>

#include "platform/win32.h"
#include "print_service/printing/image.h"
#include "print_service/printing/log_line.h"
#include "print_service/printing/paper_size.h"
#include "print_service/printing/print_handles.h"
#include "print_service/printing/temp_image_file.h"
#include "print_service/printing/widen_name.h"

namespace orvi {

namespace {

std::string ErrorCode() { return std::to_string(static_cast<unsigned long>(GetLastError())); }

void LogDeviceCaps(HDC dc) {
  LogLine("打印机分辨率: " + std::to_string(GetDeviceCaps(dc, LOGPIXELSX)) + "x" +
          std::to_string(GetDeviceCaps(dc, LOGPIXELSY)) + " DPI");
  LogLine("打印机物理分辨率: " + std::to_string(GetDeviceCaps(dc, PHYSICALWIDTH)) + "x" +
          std::to_string(GetDeviceCaps(dc, PHYSICALHEIGHT)) + " pixels");
}

// The image file as a drawable image with a positive size, or false after
// one log line.
bool LoadLabelImage(CImage& img) {
  const std::optional<std::wstring> jpgFilePath = TempImageFilePath();
  if (!jpgFilePath) return false;  // already logged
  if (!img.Load(jpgFilePath->c_str()) || img.GetWidth() <= 0 || img.GetHeight() <= 0) {
    LogLine("Could not load the image tempOV.JPG; nothing printed.");
    return false;
  }
  return true;
}

// Starts the document and its page and draws; false when the page could
// not be started (the document is then aborted).
bool PrintPage(HDC dc, const CImage& img) {
  DOCINFOW doc_info{};
  doc_info.cbSize = sizeof(DOCINFOW);
  doc_info.lpszDocName = L"orvi label";
  const int jobId = StartDocW(dc, &doc_info);
  const DWORD startDocError = GetLastError();
  if (jobId <= 0)
    LogLine("StartDoc 错误，错误代码：" + std::to_string(static_cast<unsigned long>(startDocError)) +
            " | work id:" + std::to_string(jobId));
  LogLine("作业编号：" + std::to_string(jobId));
  if (StartPage(dc) < 0) {
    std::printf("StartPage 错误\n");
    std::fflush(stdout);
    AbortDoc(dc);
    return false;
  }
  const RECT rcImage{0, 0, img.GetWidth(), img.GetHeight()};
  img.Draw(dc, rcImage);
  std::printf("1--位图大小：%d x %d\n", img.GetWidth(), img.GetHeight());
  EndPage(dc);
  EndDoc(dc);
  std::printf("打印顺利完成了. o(∩_∩)o \n");
  std::fflush(stdout);
  return true;
}

}  // namespace

void PrintLabelImage(std::string printName) {
  if (printName.empty()) printName = "ORVI";
  const auto wideName = WidenName(printName);

  PrinterHandle hPrinter;
  if (!OpenPrinterW(wideName.get(), hPrinter.out(), nullptr)) {
    LogLine("无法打开打印机: " + ErrorCode());
    return;
  }

  const LONG devModeSize =
      DocumentPropertiesW(nullptr, hPrinter.get(), wideName.get(), nullptr, nullptr, 0);
  if (devModeSize <= 0) {
    LogLine("Could not read the printer's device mode: size " + std::to_string(devModeSize));
    return;
  }
  // Never smaller than the public fields the job reads and writes.
  const SIZE_T blockSize = devModeSize < static_cast<LONG>(sizeof(DEVMODEW))
                               ? sizeof(DEVMODEW)
                               : static_cast<SIZE_T>(devModeSize);
  GlobalBlock block(blockSize);
  auto* devmode = static_cast<DEVMODEW*>(block.Lock());
  if (devmode == nullptr ||
      DocumentPropertiesW(nullptr, hPrinter.get(), wideName.get(), devmode, nullptr,
                          DM_OUT_BUFFER) < 0) {
    LogLine("Could not read the printer's device mode: " + ErrorCode());
    return;
  }

  DeviceContext dc(CreateDCW(nullptr, wideName.get(), nullptr, devmode));
  if (dc.get() == nullptr) {
    LogLine("Could not create printer DC: " + ErrorCode());
    return;
  }
  LogDeviceCaps(dc.get());

  CImage img;
  if (!LoadLabelImage(img)) return;
  const PaperSize paper = LabelPaperSize(devmode->dmPrintQuality, img.GetWidth(), img.GetHeight());
  if (!FitsDevMode(paper)) {
    LogLine("Image of " + std::to_string(img.GetWidth()) + " x " + std::to_string(img.GetHeight()) +
            " pixels has no paper size; nothing printed.");
    return;
  }
  ApplyLabelPage(*devmode, paper);
  std::printf("%d  %d", paper.length, paper.width);
  std::fflush(stdout);
  ResetDCW(dc.get(), devmode);
  const WORD printQuality = static_cast<WORD>(devmode->dmPrintQuality);
  block.Unlock();
  LogLine("打印质量设置1: " + std::to_string(printQuality));

  if (PrintPage(dc.get(), img)) LogLine("打印质量设置2: " + std::to_string(printQuality));
}

}  // namespace orvi
