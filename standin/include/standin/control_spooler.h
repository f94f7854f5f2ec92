// The stand-in's print spooler: installed queues, drivers and ports, and a
// record of every print job with the raster of each page.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "standin/base.h"
#include "standin/spooler.h"

namespace standin {

// What GetDeviceCaps reports for a DC of the queue (before any ResetDCW).
struct DeviceCaps {
  int logPixelsX = 300;
  int logPixelsY = 300;
  int physicalWidth = 2550;
  int physicalHeight = 3300;
};

struct Queue {
  std::wstring name;
  std::wstring serverName;  // empty: a queue of this machine
  std::wstring shareName;
  std::wstring driverName = L"Generic Driver";
  std::wstring portName = L"USB001";
  DWORD attributes = 0;
  DWORD status = 0;
  DEVMODEW devmode{};  // the queue's default; see DefaultDevMode
  DeviceCaps caps;
  std::map<std::string, DWORD> printerData;  // REG_DWORD values, e.g. "Position"
};

// A default device mode: portrait, letter, the given print quality.
DEVMODEW DefaultDevMode(const std::wstring& deviceName, short printQuality = 300);
// A queue with a default device mode, ready to be adjusted and installed.
Queue MakeQueue(const std::wstring& name, short printQuality = 300);

void InstallQueue(const Queue& queue);  // appended in enumeration order
std::vector<Queue> Queues();            // snapshot, enumeration order
std::optional<Queue> FindQueue(const std::wstring& name);
bool UpdateQueue(const Queue& queue);   // replaces the queue of that name
void InstallDriver(const std::wstring& driverName);
void InstallPort(const std::wstring& portName);
bool HasDriver(const std::wstring& driverName);
bool HasPort(const std::wstring& portName);

// One page of a job: what was drawn, one 0xAARRGGBB value per device pixel,
// white where nothing was drawn.
struct Page {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

struct Job {
  std::wstring queue;
  std::wstring docName;
  DEVMODEW devmode{};  // in force after the last ResetDCW (else the DC's)
  std::vector<Page> pages;
  bool ended = false;    // EndDoc called
  bool aborted = false;  // AbortDoc called
};
std::vector<Job> Jobs();
// Keeps at most `limit` jobs in the record (0, the default: all of them):
// when a job ends, the oldest ended jobs beyond the limit are dropped, so
// a long-running demonstration machine does not grow without bound.
void SetJobLimit(size_t limit);

// Internal to the stand-in: the model's lock and live data, for the spooler
// and GDI implementation files.
namespace spooler_internal {
struct Model {
  std::vector<Queue> queues;
  std::vector<std::wstring> drivers;
  std::vector<std::wstring> ports;
  std::vector<Job> jobs;
  size_t firstJob = 0;  // the job number (from 0) of jobs[0]
  size_t jobLimit = 0;
  std::map<HANDLE, std::wstring> printerHandles;  // open printer -> queue name
};
// Runs `fn` with the model locked.
template <typename Fn>
auto WithModel(Fn fn) -> decltype(fn(std::declval<Model&>()));
Model& LockedModel(void* lockToken);
void* Lock();
void Unlock(void* token);
Queue* Find(Model& m, const std::wstring& name);
// The job of that number (as StartDocW hands out, less one).
Job& JobAt(Model& m, int job);
// Applies the job limit: drops the oldest ended jobs beyond it.
void DropOldJobs(Model& m);
}  // namespace spooler_internal

}  // namespace standin

#include "standin/spooler_model_impl.h"
