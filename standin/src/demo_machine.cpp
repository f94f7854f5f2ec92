// The demonstration machine of control_demo.h. Active only when its
// environment variables are set, so tests are unaffected.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "standin/control.h"
#include "standin/control_demo.h"
#include "standin/control_spooler.h"
#include "standin/control_text.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace standin {
namespace {

std::wstring Utf8ToWide(const std::string& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < s.size(); ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    out += static_cast<wchar_t>(cp);
    i += 1 + extra;
  }
  return out;
}

bool InstallOne(const std::string& entry) {
  std::string rest = entry;
  DWORD attributes = 0;
  for (;;) {
    size_t plus = rest.rfind('+');
    if (plus == std::string::npos) break;
    std::string flag = rest.substr(plus + 1);
    if (flag == "network") attributes |= PRINTER_ATTRIBUTE_NETWORK;
    else if (flag == "offline") attributes |= PRINTER_ATTRIBUTE_WORK_OFFLINE;
    else break;
    rest.erase(plus);
  }
  size_t at = rest.rfind('@');
  if (at == std::string::npos || at == 0) return false;
  int dpi = std::atoi(rest.c_str() + at + 1);
  if (dpi <= 0 || dpi > 32767) return false;
  Queue q = MakeQueue(Utf8ToWide(rest.substr(0, at)), static_cast<short>(dpi));
  q.attributes = attributes;
  q.caps.physicalWidth = dpi * 4;
  q.caps.physicalHeight = dpi * 6;
  InstallQueue(q);
  return true;
}

void WriteJobsAtExit() {
  if (const char* dir = std::getenv("STANDIN_JOB_DIR")) WriteJobsTo(dir);
}

bool SetUpFromEnvironment() {
  if (const char* list = std::getenv("STANDIN_QUEUES")) InstallQueuesFromList(list);
  if (const char* list = std::getenv("STANDIN_FAIL")) FailCallsFromList(list);
  if (std::getenv("STANDIN_JOB_DIR")) std::atexit(&WriteJobsAtExit);
  if (const char* limit = std::getenv("STANDIN_JOB_LIMIT")) SetJobLimit(std::strtoul(limit, nullptr, 10));
  return true;
}
const bool set_up = SetUpFromEnvironment();

}  // namespace

bool InstallQueuesFromList(const std::string& list) {
  std::stringstream in(list);
  std::string entry;
  bool ok = true;
  while (std::getline(in, entry, ';'))
    if (!entry.empty()) ok = InstallOne(entry) && ok;
  return ok;
}

bool FailCallsFromList(const std::string& list) {
  std::stringstream in(list);
  std::string entry;
  bool ok = true;
  while (std::getline(in, entry, ';')) {
    if (entry.empty()) continue;
    size_t eq = entry.find('=');
    if (eq == std::string::npos || eq == 0) {
      ok = false;
      continue;
    }
    FailCall(entry.substr(0, eq), static_cast<DWORD>(std::strtoul(entry.c_str() + eq + 1, nullptr, 10)));
  }
  return ok;
}

int WriteJobsTo(const std::string& dir) {
  int pages = 0;
  std::vector<Job> jobs = Jobs();
  for (size_t j = 0; j < jobs.size(); ++j) {
    const Job& job = jobs[j];
    std::ofstream info(dir + "/job" + std::to_string(j + 1) + ".txt");
    info << "queue=" << WideToAnsi(job.queue) << "\ndocument=" << WideToAnsi(job.docName)
         << "\nended=" << job.ended << "\naborted=" << job.aborted << "\n";
    for (size_t p = 0; p < job.pages.size(); ++p) {
      const Page& page = job.pages[p];
      if (page.width <= 0 || page.height <= 0) continue;
      std::vector<unsigned char> rgb(static_cast<size_t>(page.width) * page.height * 3);
      for (size_t i = 0; i < page.pixels.size(); ++i) {
        rgb[i * 3] = static_cast<unsigned char>(page.pixels[i] >> 16);
        rgb[i * 3 + 1] = static_cast<unsigned char>(page.pixels[i] >> 8);
        rgb[i * 3 + 2] = static_cast<unsigned char>(page.pixels[i]);
      }
      std::string name = dir + "/job" + std::to_string(j + 1) + "-page" + std::to_string(p + 1) + ".png";
      if (stbi_write_png(name.c_str(), page.width, page.height, 3, rgb.data(), page.width * 3)) ++pages;
    }
  }
  return pages;
}

}  // namespace standin
