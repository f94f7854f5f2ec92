// The floor of a print request: decode the image file and draw it as one
// label page on a 306 dpi queue, through the same CImage and stand-in GDI
// path the print job uses, without HTTP, base64 or the spooler queries.
//   bench_print_floor IMAGE_FILE RUNS
// Prints: median_ms p99_ms peak_rss_delta_kb (the first run's VmHWM rise).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s IMAGE_FILE RUNS\n", argv[0]);
    return 2;
  }
  standin::InstallQueuesFromList("ORVI@306");
  const std::filesystem::path target = standin::MapPath(std::string("C:\\bench\\label.img"));
  std::filesystem::create_directories(target.parent_path());
  std::filesystem::copy_file(argv[1], target, std::filesystem::copy_options::overwrite_existing);

  HANDLE printer = nullptr;
  WCHAR queue[] = L"ORVI";
  if (!OpenPrinterW(queue, &printer, nullptr)) return 1;
  const LONG size = DocumentPropertiesW(nullptr, printer, queue, nullptr, nullptr, 0);
  std::vector<char> block(std::max<size_t>(static_cast<size_t>(size), sizeof(DEVMODEW)));
  auto* devmode = reinterpret_cast<DEVMODEW*>(block.data());
  DocumentPropertiesW(nullptr, printer, queue, devmode, nullptr, DM_OUT_BUFFER);
  ClosePrinter(printer);

  const int runs = std::atoi(argv[2]);
  std::vector<double> ms;
  long peakDelta = 0;
  for (int r = 0; r < runs; ++r) {
    const long before = PeakRssKb();
    const auto start = std::chrono::steady_clock::now();
    if (!DrawLabel(L"C:\\bench\\label.img", *devmode)) {
      std::fprintf(stderr, "could not draw %s\n", argv[1]);
      return 1;
    }
    const auto end = std::chrono::steady_clock::now();
    if (r == 0) peakDelta = PeakRssKb() - before;
    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(ms.begin(), ms.end());
  const size_t p99 = std::min(ms.size() - 1, static_cast<size_t>(ms.size() * 0.99));
  std::printf("%.2f %.2f %ld\n", ms[ms.size() / 2], ms[p99], peakDelta);
  return 0;
}
