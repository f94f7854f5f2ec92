// The settings store shared by both programs: where the data directory is,
// the per-queue file names, and the writer.
#pragma once

#include <cstddef>

namespace orvi {

// Names and paths of the store live in fixed buffers of this size.
constexpr size_t kPathBufferSize = 256;

constexpr char kDataDirectoryKey[] = "Software\\ORVI";
constexpr char kDataDirectoryValue[] = "Data Directory";
constexpr char kDefaultDataDirectory[] = "C:\\ProgramData\\ORVI";
// KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY: the lookup may write the default.
constexpr unsigned long kDataDirectoryAccess = 0x2001F;

constexpr char kSettingsSection[] = "Print Settings";
constexpr size_t kConfigFileSize = 63;

// A printf-style output: WriteTrace for the detection service, standard
// output for the print service.
using TraceOutput = void (*)(const char* format, ...);

// What the lookup reports, each text taking the registry error code, except
// createSucceeded, which takes the new key handle (%p) and may be null.
struct DataDirectoryTraces {
  TraceOutput output;
  const char* openFailed;
  const char* createFailed;
  const char* fallbackFailed;
  const char* createSucceeded;
};

// The detection service's texts, sent to WriteTrace.
extern const DataDirectoryTraces kWriterTraces;

}  // namespace orvi

// Fills szFileName with the data directory: the value "Data Directory" of
// "Software\ORVI" under HKLM (opened, else created) or else HKCU (opened
// only). When the value cannot be read it writes the default into the key
// and creates that directory. False when no key could be opened or created;
// the buffer is then empty.
bool LocateDataDirectory(char (&szFileName)[orvi::kPathBufferSize], const orvi::DataDirectoryTraces& traces);

namespace orvi {

enum class QueueFile { Settings, Config };  // "<dir>\<name>.ini", "<dir>\<name>.bin"

enum class QueueFilePath {
  Formed,
  NotAPlainName,  // the name would leave the data directory or name a stream
  TooLong,        // the path would not fit the buffer
};

// A queue name names a file of the data directory only when it holds no
// path separator or drive colon and is not "." or "..".
bool IsPlainFileName(const char* name);

// The PrinterSettingsFile or PrinterConfigFile path of a queue. When it is
// not Formed, `out` is left empty.
QueueFilePath FormQueueFilePath(const char* dataDirectory, const char* printerName, QueueFile kind,
                                char (&out)[kPathBufferSize]);

// The four INI values the writer records for a configuration block.
struct PrinterSettings {
  int resolution;  // 306 when byte 11 is 2, else 203
  int printType;   // byte 8
  int thickness;   // byte 9
  int speed;       // byte 10
};
PrinterSettings SettingsFromConfigBlock(const unsigned char* pData);

}  // namespace orvi

// Records a queue's settings: the first 63 bytes of the configuration block
// in "<name>.bin" (replaced whole) and the four keys of section
// "Print Settings" in "<name>.ini". Failures are traced and otherwise ignored.
void SavePrinterData(const char* pszPrinterName, const unsigned char* pData);
