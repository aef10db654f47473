// Simulated machine: the registry calls (os_registry.h). Each call may be failed by an
// injected fault named after it, whose subject is the full key path.
#include "platform/os_registry.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_registry.h"

namespace os {

namespace {

sim::Registry& Reg() { return sim::Machine::Current().Reg(); }

bool Faulted(const char* call, HKEY key, const std::u16string& subKey, REGSAM access,
             LONG* result) {
  DWORD error = 0;
  if (!sim::Fault(call, Reg().PathOf(key, subKey, access), &error)) return false;
  *result = static_cast<LONG>(error);
  return true;
}

}  // namespace

LONG RegCreateKeyExW(HKEY root, const std::u16string& subKey, const std::u16string& keyClass,
                     DWORD options, REGSAM access, HKEY* result, DWORD* disposition) {
  LONG rc = 0;
  if (Faulted("RegCreateKeyExW", root, subKey, access, &rc)) return rc;
  return Reg().CreateKey(root, subKey, keyClass, options, access, result, disposition);
}

LONG RegOpenKeyExW(HKEY root, const std::u16string& subKey, DWORD /*options*/, REGSAM access,
                   HKEY* result) {
  LONG rc = 0;
  if (Faulted("RegOpenKeyExW", root, subKey, access, &rc)) return rc;
  return Reg().OpenKey(root, subKey, access, result);
}

LONG RegCloseKey(HKEY key) {
  LONG rc = 0;
  if (Faulted("RegCloseKey", key, u"", 0, &rc)) return rc;
  return Reg().CloseKey(key);
}

LONG RegFlushKey(HKEY key) {
  LONG rc = 0;
  if (Faulted("RegFlushKey", key, u"", 0, &rc)) return rc;
  return Reg().FlushKey(key);
}

LONG RegSetValueExW(HKEY key, const std::u16string& name, DWORD type, const void* data,
                    DWORD size) {
  LONG rc = 0;
  if (Faulted("RegSetValueExW", key, u"", 0, &rc)) return rc;
  return Reg().SetValue(key, name, type, data, size);
}

LONG RegQueryValueExW(HKEY key, const std::u16string& name, DWORD* type, void* data, DWORD* size) {
  LONG rc = 0;
  if (Faulted("RegQueryValueExW", key, u"", 0, &rc)) return rc;
  return Reg().QueryValue(key, name, type, data, size);
}

LONG RegDeleteValueW(HKEY key, const std::u16string& name) {
  LONG rc = 0;
  if (Faulted("RegDeleteValueW", key, u"", 0, &rc)) return rc;
  return Reg().DeleteValue(key, name);
}

LONG RegDeleteKeyExW(HKEY root, const std::u16string& subKey, REGSAM view) {
  LONG rc = 0;
  if (Faulted("RegDeleteKeyExW", root, subKey, view, &rc)) return rc;
  return Reg().DeleteKey(root, subKey, view);
}

LONG RegEnumKeyExW(HKEY key, DWORD index, std::u16string* name) {
  LONG rc = 0;
  if (Faulted("RegEnumKeyExW", key, u"", 0, &rc)) return rc;
  return Reg().EnumKey(key, index, name);
}

LONG RegEnumValueW(HKEY key, DWORD index, std::u16string* name, DWORD* type,
                   std::vector<BYTE>* data) {
  LONG rc = 0;
  if (Faulted("RegEnumValueW", key, u"", 0, &rc)) return rc;
  return Reg().EnumValue(key, index, name, type, data);
}

LONG RegQueryInfoKeyW(HKEY key, std::u16string* keyClass, DWORD* subKeys, DWORD* values) {
  LONG rc = 0;
  if (Faulted("RegQueryInfoKeyW", key, u"", 0, &rc)) return rc;
  return Reg().QueryInfo(key, keyClass, subKeys, values);
}

}  // namespace os
