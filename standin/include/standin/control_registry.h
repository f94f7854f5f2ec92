// Test control of the stand-in registry. Key paths name their hive first:
// "HKLM\Software\ORVI" or "HKEY_CURRENT_USER\Software\ORVI"; names of keys
// and values are compared without regard to letter case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "standin/base.h"

namespace standin {

// Creates the key and any missing parent.
void CreateRegistryKey(const std::string& keyPath);
bool RegistryKeyExists(const std::string& keyPath);
// Removes the key with its subkeys and values.
void DeleteRegistryKey(const std::string& keyPath);

struct RegistryValue {
  DWORD type = 0;
  std::vector<unsigned char> data;  // REG_SZ: the text with its terminating zero
};
// These create the key when it is missing.
void SetRegistryValue(const std::string& keyPath, const std::string& name, const RegistryValue& value);
void SetRegistryString(const std::string& keyPath, const std::string& name, const std::string& text);
void SetRegistryDword(const std::string& keyPath, const std::string& name, DWORD value);
void DeleteRegistryValue(const std::string& keyPath, const std::string& name);
std::optional<RegistryValue> GetRegistryValue(const std::string& keyPath, const std::string& name);
// The text of a REG_SZ value (up to its first zero); nothing for another type.
std::optional<std::string> GetRegistryString(const std::string& keyPath, const std::string& name);
std::optional<DWORD> GetRegistryDword(const std::string& keyPath, const std::string& name);

// Refuses RegOpenKeyExA and RegCreateKeyExA on the key and everything below
// it with ERROR_ACCESS_DENIED, as for a user without rights there. A hive
// alone ("HKLM") denies the whole hive. WriteAccess refuses only requests
// that ask for a right to change something (KEY_SET_VALUE, KEY_CREATE_SUB_KEY,
// ...), as Windows does for HKLM and a standard user; reading still opens.
enum class RegistryDenial { AnyAccess, WriteAccess };
void DenyRegistryKey(const std::string& keyPath, RegistryDenial denial = RegistryDenial::AnyAccess);

}  // namespace standin
