// Storage of the spooler model: queues, drivers, ports, open printer handles
// and the job record. The calls themselves live in the spooler_*.cpp and
// gdi*.cpp files.
#include <mutex>
#include <utility>

#include "standin/control.h"
#include "standin/control_spooler.h"

namespace standin {
namespace spooler_internal {
namespace {
std::recursive_mutex& mutex() {
  static auto* m = new std::recursive_mutex;
  return *m;
}
Model& model() {
  static auto* m = new Model;
  return *m;
}
void ResetModel() {
  std::lock_guard<std::recursive_mutex> lock(mutex());
  model() = Model{};
}
const bool registered = RegisterResetHook(&ResetModel);
}  // namespace

void* Lock() {
  mutex().lock();
  return &mutex();
}
void Unlock(void* token) { static_cast<std::recursive_mutex*>(token)->unlock(); }
Model& LockedModel(void*) { return model(); }

Job& JobAt(Model& m, int job) { return m.jobs[static_cast<size_t>(job) - m.firstJob]; }

void DropOldJobs(Model& m) {
  size_t drop = 0;
  while (m.jobLimit > 0 && m.jobs.size() - drop > m.jobLimit &&
         (m.jobs[drop].ended || m.jobs[drop].aborted))
    ++drop;
  m.jobs.erase(m.jobs.begin(), m.jobs.begin() + static_cast<std::ptrdiff_t>(drop));
  m.firstJob += drop;
}

Queue* Find(Model& m, const std::wstring& name) {
  for (Queue& q : m.queues)
    if (q.name == name) return &q;
  return nullptr;
}
}  // namespace spooler_internal

using spooler_internal::WithModel;

DEVMODEW DefaultDevMode(const std::wstring& deviceName, short printQuality) {
  DEVMODEW dm{};
  for (size_t i = 0; i < deviceName.size() && i + 1 < CCHDEVICENAME; ++i)
    dm.dmDeviceName[i] = deviceName[i];
  dm.dmSpecVersion = 0x0401;
  dm.dmSize = sizeof(DEVMODEW);
  dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PRINTQUALITY | DM_YRESOLUTION;
  dm.dmOrientation = DMORIENT_PORTRAIT;
  dm.dmPaperSize = DMPAPER_LETTER;
  dm.dmScale = 100;
  dm.dmCopies = 1;
  dm.dmPrintQuality = printQuality;
  dm.dmYResolution = printQuality;
  return dm;
}

Queue MakeQueue(const std::wstring& name, short printQuality) {
  Queue q;
  q.name = name;
  q.shareName = name;
  q.devmode = DefaultDevMode(name, printQuality);
  if (printQuality > 0) {
    q.caps.logPixelsX = printQuality;
    q.caps.logPixelsY = printQuality;
  }
  return q;
}

void InstallQueue(const Queue& queue) {
  WithModel([&](spooler_internal::Model& m) { m.queues.push_back(queue); });
}

std::vector<Queue> Queues() {
  return WithModel([](spooler_internal::Model& m) { return m.queues; });
}

std::optional<Queue> FindQueue(const std::wstring& name) {
  return WithModel([&](spooler_internal::Model& m) -> std::optional<Queue> {
    Queue* q = spooler_internal::Find(m, name);
    if (!q) return std::nullopt;
    return *q;
  });
}

bool UpdateQueue(const Queue& queue) {
  return WithModel([&](spooler_internal::Model& m) {
    Queue* q = spooler_internal::Find(m, queue.name);
    if (!q) return false;
    *q = queue;
    return true;
  });
}

void InstallDriver(const std::wstring& driverName) {
  WithModel([&](spooler_internal::Model& m) { m.drivers.push_back(driverName); });
}

void InstallPort(const std::wstring& portName) {
  WithModel([&](spooler_internal::Model& m) { m.ports.push_back(portName); });
}

bool HasDriver(const std::wstring& driverName) {
  return WithModel([&](spooler_internal::Model& m) {
    for (auto& d : m.drivers)
      if (d == driverName) return true;
    return false;
  });
}

bool HasPort(const std::wstring& portName) {
  return WithModel([&](spooler_internal::Model& m) {
    for (auto& p : m.ports)
      if (p == portName) return true;
    return false;
  });
}

void SetJobLimit(size_t limit) {
  WithModel([&](spooler_internal::Model& m) {
    m.jobLimit = limit;
    spooler_internal::DropOldJobs(m);
  });
}

std::vector<Job> Jobs() {
  return WithModel([](spooler_internal::Model& m) { return m.jobs; });
}

}  // namespace standin
