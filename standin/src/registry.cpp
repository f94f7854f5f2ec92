// The registry: a tree of keys per hive with typed values, open-key handles
// that remember their access rights, and access denials set by tests.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "standin/control.h"
#include "standin/control_registry.h"
#include "standin/registry.h"

namespace {

struct StoredValue {
  std::string name;  // as first written
  standin::RegistryValue value;
};

struct Key {
  std::map<std::string, StoredValue> values;  // by lower-case name
};

struct Denial {
  std::string path;  // canonical, lower case
  standin::RegistryDenial kind;
};

struct OpenKey {
  std::string path;  // canonical, lower case
  REGSAM access;
};

struct Registry {
  std::mutex mutex;
  std::map<std::string, Key> keys;  // canonical lower-case path -> key
  std::vector<Denial> denials;
  std::map<HKEY, OpenKey> open;
};

Registry& registry() {
  static auto* r = new Registry;
  return *r;
}

void ResetRegistry() {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.keys.clear();
  r.denials.clear();
  r.open.clear();
}
const bool registered = standin::RegisterResetHook(&ResetRegistry);

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      if (!part.empty()) parts.push_back(Lower(part));
      part.clear();
    } else {
      part += path[i];
    }
  }
  return parts;
}

std::string Join(const std::string& base, const std::string& sub) {
  std::string out = base;
  for (const std::string& p : SplitPath(sub)) out += "\\" + p;
  return out;
}

std::optional<std::string> HiveRoot(HKEY h) {
  if (h == HKEY_LOCAL_MACHINE) return std::string("hklm");
  if (h == HKEY_CURRENT_USER) return std::string("hkcu");
  if (h == HKEY_CLASSES_ROOT) return std::string("hkcr");
  if (h == HKEY_USERS) return std::string("hku");
  return std::nullopt;
}

bool IsHiveRoot(const std::string& path) { return path.find('\\') == std::string::npos; }

// "HKEY_LOCAL_MACHINE\Software\X" or "HKLM\Software\X" -> "hklm\software\x".
std::string Canonical(const std::string& keyPath) {
  std::vector<std::string> parts = SplitPath(keyPath);
  if (parts.empty()) return {};
  static const std::map<std::string, std::string> hives = {
      {"hkey_local_machine", "hklm"}, {"hklm", "hklm"}, {"hkey_current_user", "hkcu"},
      {"hkcu", "hkcu"}, {"hkey_classes_root", "hkcr"}, {"hkcr", "hkcr"},
      {"hkey_users", "hku"}, {"hku", "hku"}};
  auto hive = hives.find(parts[0]);
  if (hive == hives.end()) return {};
  std::string out = hive->second;
  for (size_t i = 1; i < parts.size(); ++i) out += "\\" + parts[i];
  return out;
}

bool Exists(const Registry& r, const std::string& path) {
  return IsHiveRoot(path) ? !path.empty() : r.keys.count(path) > 0;
}

void CreateWithParents(Registry& r, const std::string& path) {
  for (size_t pos = path.find('\\'); pos != std::string::npos; pos = path.find('\\', pos + 1)) {
    r.keys[path.substr(0, pos)];
  }
  if (!IsHiveRoot(path)) r.keys[path];
}

bool AsksToWrite(REGSAM access) {
  const REGSAM write = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | 0x00010000 /* DELETE */ | WRITE_DAC |
                       WRITE_OWNER | 0x10000000 /* GENERIC_ALL */ | 0x40000000 /* GENERIC_WRITE */;
  return (access & write) != 0;
}

bool Denied(const Registry& r, const std::string& path, REGSAM access) {
  for (const Denial& d : r.denials) {
    bool below = path == d.path || path.compare(0, d.path.size() + 1, d.path + "\\") == 0;
    if (!below) continue;
    if (d.kind == standin::RegistryDenial::AnyAccess || AsksToWrite(access)) return true;
  }
  return false;
}

// The open key behind a handle: predefined hives have every right.
std::optional<OpenKey> Resolve(const Registry& r, HKEY h) {
  if (auto root = HiveRoot(h)) return OpenKey{*root, KEY_ALL_ACCESS};
  auto it = r.open.find(h);
  if (it == r.open.end()) return std::nullopt;
  return it->second;
}

HKEY NewHandle(Registry& r, const std::string& path, REGSAM access) {
  HKEY h = static_cast<HKEY>(standin::OpenHandle(standin::HandleKind::RegistryKey));
  r.open[h] = OpenKey{path, access};
  return h;
}

// REG_SZ and its kin are kept with exactly one terminating zero, which is
// what a query reports as the size.
standin::RegistryValue Store(DWORD type, const BYTE* data, DWORD size) {
  standin::RegistryValue v;
  v.type = type;
  if (data != nullptr) v.data.assign(data, data + size);
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    auto end = std::find(v.data.begin(), v.data.end(), '\0');
    v.data.erase(end, v.data.end());
    v.data.push_back('\0');
  }
  return v;
}

}  // namespace

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  STANDIN_ENTER("RegOpenKeyExA", static_cast<LSTATUS>(GetLastError()));
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto base = Resolve(r, hKey);
  if (!base) return ERROR_INVALID_HANDLE;
  std::string path = Join(base->path, lpSubKey ? lpSubKey : "");
  if (!Exists(r, base->path)) return ERROR_KEY_DELETED;
  if (Denied(r, path, samDesired)) return ERROR_ACCESS_DENIED;
  if (!Exists(r, path)) return ERROR_FILE_NOT_FOUND;
  *phkResult = NewHandle(r, path, samDesired);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                               const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  STANDIN_ENTER("RegCreateKeyExA", static_cast<LSTATUS>(GetLastError()));
  if (phkResult == nullptr || lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto base = Resolve(r, hKey);
  if (!base) return ERROR_INVALID_HANDLE;
  if (!Exists(r, base->path)) return ERROR_KEY_DELETED;
  std::string path = Join(base->path, lpSubKey);
  bool existed = Exists(r, path);
  // Opening an existing key needs the rights asked for; creating one also
  // needs the right to change the tree there.
  if (Denied(r, path, existed ? samDesired : (samDesired | KEY_CREATE_SUB_KEY))) {
    return ERROR_ACCESS_DENIED;
  }
  if (!existed) CreateWithParents(r, path);
  if (lpdwDisposition) *lpdwDisposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
  *phkResult = NewHandle(r, path, samDesired);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
  STANDIN_ENTER("RegQueryValueExA", static_cast<LSTATUS>(GetLastError()));
  if (lpData != nullptr && lpcbData == nullptr) return ERROR_INVALID_PARAMETER;
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto key = Resolve(r, hKey);
  if (!key) return ERROR_INVALID_HANDLE;
  if (!(key->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  auto k = r.keys.find(key->path);
  if (k == r.keys.end()) return IsHiveRoot(key->path) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
  auto v = k->second.values.find(Lower(lpValueName ? lpValueName : ""));
  if (v == k->second.values.end()) return ERROR_FILE_NOT_FOUND;
  const standin::RegistryValue& value = v->second.value;
  DWORD size = static_cast<DWORD>(value.data.size());
  if (lpType) *lpType = value.type;
  if (lpcbData == nullptr) return ERROR_SUCCESS;
  if (lpData != nullptr) {
    if (*lpcbData < size) {
      *lpcbData = size;
      return ERROR_MORE_DATA;
    }
    if (size > 0) std::memcpy(lpData, value.data.data(), size);
  }
  *lpcbData = size;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                              DWORD cbData) {
  STANDIN_ENTER("RegSetValueExA", static_cast<LSTATUS>(GetLastError()));
  if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
  if (dwType == REG_DWORD && cbData != sizeof(DWORD)) return ERROR_INVALID_PARAMETER;
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto key = Resolve(r, hKey);
  if (!key) return ERROR_INVALID_HANDLE;
  if (!(key->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (!Exists(r, key->path)) return ERROR_KEY_DELETED;
  std::string name = lpValueName ? lpValueName : "";
  StoredValue& slot = r.keys[key->path].values[Lower(name)];
  if (slot.name.empty()) slot.name = name;
  slot.value = Store(dwType, lpData, cbData);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
  STANDIN_ENTER("RegCloseKey", static_cast<LSTATUS>(GetLastError()));
  if (HiveRoot(hKey)) return ERROR_SUCCESS;
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (!standin::CloseHandleOf(hKey, standin::HandleKind::RegistryKey)) return ERROR_INVALID_HANDLE;
  r.open.erase(hKey);
  return ERROR_SUCCESS;
}

namespace standin {

void CreateRegistryKey(const std::string& keyPath) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::string path = Canonical(keyPath);
  if (!path.empty()) CreateWithParents(r, path);
}

bool RegistryKeyExists(const std::string& keyPath) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return Exists(r, Canonical(keyPath));
}

void DeleteRegistryKey(const std::string& keyPath) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::string path = Canonical(keyPath);
  if (path.empty() || IsHiveRoot(path)) return;
  for (auto it = r.keys.begin(); it != r.keys.end();) {
    bool below = it->first == path || it->first.compare(0, path.size() + 1, path + "\\") == 0;
    it = below ? r.keys.erase(it) : std::next(it);
  }
}

void SetRegistryValue(const std::string& keyPath, const std::string& name, const RegistryValue& value) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::string path = Canonical(keyPath);
  if (path.empty() || IsHiveRoot(path)) return;
  CreateWithParents(r, path);
  StoredValue& slot = r.keys[path].values[Lower(name)];
  if (slot.name.empty()) slot.name = name;
  slot.value = value;
}

void SetRegistryString(const std::string& keyPath, const std::string& name, const std::string& text) {
  RegistryValue v;
  v.type = REG_SZ;
  v.data.assign(text.begin(), text.end());
  v.data.push_back('\0');
  SetRegistryValue(keyPath, name, v);
}

void SetRegistryDword(const std::string& keyPath, const std::string& name, DWORD value) {
  RegistryValue v;
  v.type = REG_DWORD;
  v.data.resize(sizeof(DWORD));
  std::memcpy(v.data.data(), &value, sizeof(DWORD));
  SetRegistryValue(keyPath, name, v);
}

void DeleteRegistryValue(const std::string& keyPath, const std::string& name) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto k = r.keys.find(Canonical(keyPath));
  if (k != r.keys.end()) k->second.values.erase(Lower(name));
}

std::optional<RegistryValue> GetRegistryValue(const std::string& keyPath, const std::string& name) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto k = r.keys.find(Canonical(keyPath));
  if (k == r.keys.end()) return std::nullopt;
  auto v = k->second.values.find(Lower(name));
  if (v == k->second.values.end()) return std::nullopt;
  return v->second.value;
}

std::optional<std::string> GetRegistryString(const std::string& keyPath, const std::string& name) {
  auto v = GetRegistryValue(keyPath, name);
  if (!v || (v->type != REG_SZ && v->type != REG_EXPAND_SZ)) return std::nullopt;
  std::string text(v->data.begin(), v->data.end());
  return text.substr(0, text.find('\0'));
}

std::optional<DWORD> GetRegistryDword(const std::string& keyPath, const std::string& name) {
  auto v = GetRegistryValue(keyPath, name);
  if (!v || v->type != REG_DWORD || v->data.size() != sizeof(DWORD)) return std::nullopt;
  DWORD out;
  std::memcpy(&out, v->data.data(), sizeof(DWORD));
  return out;
}

void DenyRegistryKey(const std::string& keyPath, RegistryDenial denial) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::string path = Canonical(keyPath);
  if (!path.empty()) r.denials.push_back(Denial{path, denial});
}

}  // namespace standin
