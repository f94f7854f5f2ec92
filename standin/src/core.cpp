// Failure plan, call counts, handle table, last error and the mapped drive.
#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>
#include <unistd.h>
#include <vector>

#include "standin/control.h"

namespace standin {
namespace {

struct Plan {
  DWORD error;
  int times;
  int skip;
};

struct Core {
  std::mutex mutex;
  std::map<std::string, Plan> plans;
  std::map<std::string, int> counts;
  std::map<void*, HandleKind> handles;
  uintptr_t next_handle = 0x1000;
};

Core& core() {
  static Core* c = new Core;  // never destroyed: detached threads may still call in at exit
  return *c;
}

std::vector<ResetHook>& hooks() {
  static std::vector<ResetHook>* h = new std::vector<ResetHook>;
  return *h;
}

thread_local DWORD last_error = 0;

const char* KindName(HandleKind k) {
  switch (k) {
    case HandleKind::Window: return "window";
    case HandleKind::Menu: return "menu";
    case HandleKind::Icon: return "icon";
    case HandleKind::Printer: return "printer";
    case HandleKind::DC: return "dc";
    case HandleKind::Bitmap: return "bitmap";
    case HandleKind::GlobalMemory: return "global memory";
    case HandleKind::LocalMemory: return "local memory";
    case HandleKind::RegistryKey: return "registry key";
    case HandleKind::File: return "file";
    case HandleKind::Event: return "event";
    case HandleKind::DevInfo: return "device info set";
    case HandleKind::Module: return "module";
    case HandleKind::WindowStation: return "window station";
    case HandleKind::Desktop: return "desktop";
    case HandleKind::DeviceNotify: return "device notification";
    case HandleKind::Service: return "service";
    case HandleKind::Image: return "image";
  }
  return "?";
}

std::filesystem::path& root_override() {
  static std::filesystem::path* p = new std::filesystem::path;
  return *p;
}

// A drive the stand-in made up for itself goes when the process ends, or
// every test process would leave one behind in the temporary directory.
void RemoveAtExit(const std::filesystem::path& root) {
  struct Remover {
    std::filesystem::path root;
    ~Remover() {
      std::error_code ec;
      std::filesystem::remove_all(root, ec);
    }
  };
  static Remover remover{root};
}

}  // namespace

bool RegisterResetHook(ResetHook hook) {
  hooks().push_back(hook);
  return true;
}

void Reset() {
  {
    Core& c = core();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.plans.clear();
    c.counts.clear();
    c.handles.clear();
  }
  for (ResetHook h : hooks()) h();
  std::error_code ec;
  std::filesystem::remove_all(DriveRoot(), ec);
  std::filesystem::create_directories(DriveRoot() / "C", ec);
  last_error = 0;
}

void FailCall(const std::string& call, DWORD error, int times, int skip) {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.plans[call] = Plan{error, times, skip};
}

void ClearFailures() {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.plans.clear();
}

bool ShouldFail(const char* call) {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  auto it = c.plans.find(call);
  if (it == c.plans.end()) return false;
  Plan& p = it->second;
  if (p.skip > 0) {
    --p.skip;
    return false;
  }
  if (p.times == 0) return false;
  if (p.times > 0) --p.times;
  last_error = p.error;
  return true;
}

int CallCount(const std::string& call) {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  auto it = c.counts.find(call);
  return it == c.counts.end() ? 0 : it->second;
}

void CountCall(const char* call) {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  ++c.counts[call];
}

void* OpenHandle(HandleKind kind) {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.next_handle += 4;
  void* h = reinterpret_cast<void*>(c.next_handle);
  c.handles[h] = kind;
  return h;
}

void AdoptHandle(void* h, HandleKind kind) {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.handles[h] = kind;
}

bool CloseHandleOf(void* h, HandleKind kind) {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  auto it = c.handles.find(h);
  if (it == c.handles.end() || it->second != kind) return false;
  c.handles.erase(it);
  return true;
}

bool IsOpenHandle(void* h, HandleKind kind) {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  auto it = c.handles.find(h);
  return it != c.handles.end() && it->second == kind;
}

size_t OpenHandleCount(HandleKind kind) {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  size_t n = 0;
  for (auto& [h, k] : c.handles) n += (k == kind);
  return n;
}

size_t OpenHandleCount() {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.handles.size();
}

std::string DescribeOpenHandles() {
  Core& c = core();
  std::lock_guard<std::mutex> lock(c.mutex);
  std::map<std::string, int> by_kind;
  for (auto& [h, k] : c.handles) ++by_kind[KindName(k)];
  std::ostringstream out;
  for (auto& [name, n] : by_kind) out << n << " " << name << "; ";
  return out.str();
}

std::filesystem::path DriveRoot() {
  std::filesystem::path& p = root_override();
  if (p.empty()) {
    if (const char* env = std::getenv("STANDIN_DRIVE_ROOT")) {
      p = env;
    } else {
      p = std::filesystem::temp_directory_path() /
          ("standin-drive-" + std::to_string(getpid()));
      RemoveAtExit(p);
    }
    std::error_code ec;
    std::filesystem::create_directories(p / "C", ec);
  }
  return p;
}

std::filesystem::path MapPath(const std::string& windowsPath) {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return {};
  char drive = windowsPath[0];
  if (drive >= 'a' && drive <= 'z') drive = static_cast<char>(drive - 'a' + 'A');
  if (drive < 'A' || drive > 'Z') return {};
  std::filesystem::path out = DriveRoot() / std::string(1, drive);
  std::string part;
  for (size_t i = 2; i <= windowsPath.size(); ++i) {
    char ch = i < windowsPath.size() ? windowsPath[i] : '\\';
    if (ch == '\\' || ch == '/') {
      if (!part.empty() && part != ".") out /= part;
      part.clear();
    } else {
      part += ch;
    }
  }
  return out;
}

std::filesystem::path MapPath(const std::wstring& windowsPath) {
  std::string narrow;
  for (wchar_t w : windowsPath) {
    if (w < 0x80) {
      narrow += static_cast<char>(w);
    } else {  // file names on this machine are UTF-8
      uint32_t c = static_cast<uint32_t>(w);
      if (c < 0x800) {
        narrow += static_cast<char>(0xC0 | (c >> 6));
      } else {
        narrow += static_cast<char>(0xE0 | (c >> 12));
        narrow += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      }
      narrow += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return MapPath(narrow);
}

}  // namespace standin

DWORD WINAPI GetLastError() { return standin::last_error; }
void WINAPI SetLastError(DWORD code) { standin::last_error = code; }
