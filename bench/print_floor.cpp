// The floor of a print request: decode the image file and draw it as one
// label page on a 306 dpi queue, through the same CImage and stand-in GDI
// path the print job uses, without HTTP, base64 or the spooler queries.
//   bench_print_floor IMAGE_FILE RUNS   one untimed run, then RUNS timed
//                                       runs: one line of ms each
//   bench_print_floor --peak IMAGE_FILE one cold run: the VmHWM rise in KiB
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "print_service/printing/image.h"
#include "print_service/printing/paper_size.h"
#include "standin/control.h"
#include "standin/control_demo.h"

namespace {

long PeakRssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

bool DrawLabel(const WCHAR* imagePath, DEVMODEW devmode) {
  orvi::CImage img;
  if (!img.Load(imagePath)) return false;
  orvi::ApplyLabelPage(devmode,
                       orvi::LabelPaperSize(devmode.dmPrintQuality, img.GetWidth(), img.GetHeight()));
  HDC dc = CreateDCW(nullptr, L"ORVI", nullptr, &devmode);
  if (dc == nullptr) return false;
  DOCINFOW doc{};
  doc.cbSize = sizeof(doc);
  doc.lpszDocName = L"orvi label";
  StartDocW(dc, &doc);
  StartPage(dc);
  const RECT rect{0, 0, img.GetWidth(), img.GetHeight()};
  const bool drawn = img.Draw(dc, rect);
  EndPage(dc);
  EndDoc(dc);
  DeleteDC(dc);
  return drawn;
}

// The queue's device mode, read once as the print job reads it.
std::vector<char> QueueDevmode() {
  HANDLE printer = nullptr;
  WCHAR queue[] = L"ORVI";
  if (!OpenPrinterW(queue, &printer, nullptr)) return {};
  const LONG size = DocumentPropertiesW(nullptr, printer, queue, nullptr, nullptr, 0);
  std::vector<char> block(std::max<size_t>(static_cast<size_t>(size), sizeof(DEVMODEW)));
  DocumentPropertiesW(nullptr, printer, queue, reinterpret_cast<DEVMODEW*>(block.data()), nullptr,
                      DM_OUT_BUFFER);
  ClosePrinter(printer);
  return block;
}

}  // namespace

int main(int argc, char** argv) {
  const bool peak = argc == 3 && std::strcmp(argv[1], "--peak") == 0;
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s IMAGE_FILE RUNS | --peak IMAGE_FILE\n", argv[0]);
    return 2;
  }
  const std::filesystem::path image = std::filesystem::absolute(argv[peak ? 2 : 1]);
  standin::InstallQueuesFromList("ORVI@306");
  const std::filesystem::path target = standin::MapPath(std::string("C:\\bench\\label.img"));
  std::filesystem::create_directories(target.parent_path());
  std::filesystem::copy_file(image, target, std::filesystem::copy_options::overwrite_existing);
  const std::vector<char> block = QueueDevmode();
  if (block.empty()) return 1;
  const auto& devmode = *reinterpret_cast<const DEVMODEW*>(block.data());

  if (peak) {
    const long before = PeakRssKb();
    if (!DrawLabel(L"C:\\bench\\label.img", devmode)) return 1;
    std::printf("%ld\n", PeakRssKb() - before);
    return 0;
  }
  const int runs = std::atoi(argv[2]);
  for (int r = -1; r < runs; ++r) {
    const auto start = std::chrono::steady_clock::now();
    if (!DrawLabel(L"C:\\bench\\label.img", devmode)) {
      std::fprintf(stderr, "could not draw %s\n", image.c_str());
      return 1;
    }
    const auto end = std::chrono::steady_clock::now();
    if (r >= 0) std::printf("%.2f\n", std::chrono::duration<double, std::milli>(end - start).count());
  }
  return 0;
}
