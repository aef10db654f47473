// Simulated machine: devices and the SetupAPI calls over them (os_devices.h).
#include "platform/sim/sim_devices.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>

#include "platform/os_devices.h"
#include "platform/os_files.h"
#include "platform/sim/sim_handle_table.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace sim {

namespace {

struct PropertyName {
  os::DWORD code;
  const char* name;
  os::DWORD defaultType;
  bool writable;
};
const PropertyName kProperties[] = {
    {SPDRP_DEVICEDESC, "DeviceDesc", REG_SZ, true},
    {SPDRP_HARDWAREID, "HardwareIds", REG_MULTI_SZ, true},
    {SPDRP_COMPATIBLEIDS, "CompatibleIds", REG_MULTI_SZ, true},
    {SPDRP_CLASS, "Class", REG_SZ, false},
    {SPDRP_UPPERFILTERS, "UpperFilters", REG_MULTI_SZ, true},
    {SPDRP_LOWERFILTERS, "LowerFilters", REG_MULTI_SZ, true},
};

const PropertyName* FindProperty(os::DWORD code) {
  for (const auto& p : kProperties)
    if (p.code == code) return &p;
  return nullptr;
}

// The sound, video and game controllers class, where audio devices live.
constexpr char kMediaClass[] = "{4d36e96c-e325-11ce-bfc1-08002be10318}";

struct Property {
  os::DWORD type = REG_NONE;
  std::vector<os::BYTE> data;
};

struct Device {
  std::string label;
  os::GUID classGuid;
  bool present = true;
  // Windows keeps two flags: CONFIGFLAG_DISABLED in the device's ConfigFlags (DICS_FLAG_GLOBAL,
  // every hardware profile) and CSCONFIGFLAG_DISABLED in the current profile's CSConfigFlags
  // (DICS_FLAG_CONFIGSPECIFIC). The device is disabled while either is set; an enable clears
  // only the flag of its own scope.
  bool disabledGlobally = false;
  bool disabledInProfile = false;
  bool Disabled() const { return disabledGlobally || disabledInProfile; }
  bool needsReboot = false;
  std::set<long> failingCalls;  // numbers of the class-installer calls that fail
  os::DWORD installerError = ERROR_GEN_FAILURE;
  int installerCalls = 0;
  std::map<os::DWORD, Property> properties;  // absent properties are not in the map
};

struct DeviceInSet {
  std::size_t device;  // index into the machine's devices
  bool hasParams = false;
  os::SP_PROPCHANGE_PARAMS params;
  os::DWORD installFlags = 0;
};

struct DeviceSet {
  std::vector<DeviceInSet> members;
};

bool ParseGuid(const std::string& s, os::GUID* guid) {
  unsigned d1 = 0, d2 = 0, d3 = 0, b[8] = {};
  if (std::sscanf(s.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3, &b[0], &b[1],
                  &b[2], &b[3], &b[4], &b[5], &b[6], &b[7]) != 11)
    return false;
  guid->Data1 = d1;
  guid->Data2 = static_cast<os::WORD>(d2);
  guid->Data3 = static_cast<os::WORD>(d3);
  for (int i = 0; i < 8; ++i) guid->Data4[i] = static_cast<os::BYTE>(b[i]);
  return true;
}

bool SameGuid(const os::GUID& a, const os::GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

void AppendUtf16(const std::u16string& s, std::vector<os::BYTE>* out) {
  for (char16_t c : s) {
    out->push_back(static_cast<os::BYTE>(c & 0xFF));
    out->push_back(static_cast<os::BYTE>(c >> 8));
  }
  out->push_back(0);
  out->push_back(0);
}

bool ParseType(const std::string& word, os::DWORD* type) {
  const std::pair<const char*, os::DWORD> names[] = {
      {"REG_NONE", REG_NONE},     {"REG_SZ", REG_SZ},       {"REG_EXPAND_SZ", REG_EXPAND_SZ},
      {"REG_BINARY", REG_BINARY}, {"REG_DWORD", REG_DWORD}, {"REG_MULTI_SZ", REG_MULTI_SZ}};
  for (const auto& [n, t] : names)
    if (text::EqualsNoCase(text::FromUtf8(word), text::FromUtf8(n))) {
      *type = t;
      return true;
    }
  char* end = nullptr;
  const unsigned long n = std::strtoul(word.c_str(), &end, 0);
  if (word.empty() || *end) return false;
  *type = static_cast<os::DWORD>(n);
  return true;
}

bool ParseHex(const std::string& hex, std::vector<os::BYTE>* out) {
  std::string digits;
  for (char c : hex)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits.push_back(c);
    else if (c != ',' && c != ' ') return false;
  if (digits.size() % 2) return false;
  for (std::size_t i = 0; i < digits.size(); i += 2)
    out->push_back(static_cast<os::BYTE>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return true;
}

// A property as machine.ini writes it: text in the property's type, a multi-string as a
// comma-separated list.
bool ParseIniProperty(const std::string& value, os::DWORD type, Property* p) {
  p->type = type;
  p->data.clear();
  switch (type) {
    case REG_MULTI_SZ: {
      std::stringstream list(value);
      std::string entry;
      while (std::getline(list, entry, ','))
        if (!Trim(entry).empty()) AppendUtf16(text::FromUtf8(Trim(entry)), &p->data);
      AppendUtf16(u"", &p->data);
      if (p->data.size() == 2) AppendUtf16(u"", &p->data);  // an empty list: two zero characters
      return true;
    }
    case REG_DWORD: {
      char* end = nullptr;
      const unsigned long n = std::strtoul(value.c_str(), &end, 0);
      if (value.empty() || *end) return false;
      for (int i = 0; i < 4; ++i) p->data.push_back(static_cast<os::BYTE>(n >> (8 * i)));
      return true;
    }
    case REG_BINARY:
    case REG_NONE: return ParseHex(value, &p->data);
    default: AppendUtf16(text::FromUtf8(value), &p->data); return true;
  }
}

std::string HexOf(const std::vector<os::BYTE>& data) {
  std::string out;
  char buf[4];
  for (os::BYTE b : data) {
    std::snprintf(buf, sizeof buf, "%02x", b);
    if (!out.empty()) out += ",";
    out += buf;
  }
  return out;
}

class DeviceManager {
 public:
  static DeviceManager& Get() {
    static DeviceManager* manager = new DeviceManager();  // used until the process ends
    return *manager;
  }

  os::HDEVINFO GetClassDevs(const os::GUID* classGuid, const std::u16string& enumerator,
                            os::DWORD flags) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    os::DWORD error = 0;
    if (Fault("SetupDiGetClassDevsW", enumerator, &error)) return FailSet(error);
    // Device interfaces and hardware profiles are not part of the simulated machine.
    if (flags & (DIGCF_DEVICEINTERFACE | DIGCF_PROFILE)) return FailSet(ERROR_INVALID_FLAGS);
    if (!(flags & DIGCF_ALLCLASSES) && !classGuid) return FailSet(ERROR_INVALID_PARAMETER);
    DeviceSet set;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
      const Device& d = devices_[i];
      if ((flags & DIGCF_PRESENT) && !d.present) continue;
      if (!(flags & DIGCF_ALLCLASSES) && !SameGuid(d.classGuid, *classGuid)) continue;
      if (!enumerator.empty() && !EnumeratedBy(d, enumerator)) continue;
      DeviceInSet member;
      member.device = i;
      set.members.push_back(member);
    }
    return sets_.Add(std::move(set));
  }

  os::BOOL Enum(os::HDEVINFO handle, os::DWORD index, os::SP_DEVINFO_DATA* data) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    DeviceSet* set = sets_.Find(handle);
    if (!set) return FailBool(ERROR_INVALID_HANDLE);
    if (!data || data->cbSize != sizeof(os::SP_DEVINFO_DATA))
      return FailBool(ERROR_INVALID_USER_BUFFER);
    os::DWORD error = 0;
    if (Fault("SetupDiEnumDeviceInfo", u"", &error)) return FailBool(error);
    if (index >= set->members.size()) return FailBool(ERROR_NO_MORE_ITEMS);
    const Device& d = devices_[set->members[index].device];
    data->ClassGuid = d.classGuid;
    data->DevInst = static_cast<os::DWORD>(set->members[index].device + 1);
    // Windows keeps the set's own element here: a record is good for its set alone.
    data->Reserved = reinterpret_cast<std::uintptr_t>(handle);
    return TRUE;
  }

  os::BOOL GetProperty(os::HDEVINFO handle, os::SP_DEVINFO_DATA* data, os::DWORD property,
                       os::DWORD* type, os::BYTE* buffer, os::DWORD size, os::DWORD* required) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    DeviceInSet* member = nullptr;
    if (!Member(handle, data, &member)) return FALSE;
    Device& d = devices_[member->device];
    os::DWORD error = 0;
    if (Fault("SetupDiGetDeviceRegistryPropertyW", text::FromUtf8(d.label), &error))
      return FailBool(error);
    if (property >= SPDRP_MAXIMUM_PROPERTY) return FailBool(ERROR_INVALID_REG_PROPERTY);
    if (!buffer && size != 0) return FailBool(ERROR_INVALID_USER_BUFFER);
    const auto it = d.properties.find(property);
    if (it == d.properties.end()) return FailBool(ERROR_INVALID_DATA);
    const Property& p = it->second;
    const os::DWORD needed = static_cast<os::DWORD>(p.data.size());
    if (type) *type = p.type;
    if (required) *required = needed;
    if (size < needed) return FailBool(ERROR_INSUFFICIENT_BUFFER);
    std::copy(p.data.begin(), p.data.end(), buffer);
    return TRUE;
  }

  os::BOOL SetProperty(os::HDEVINFO handle, os::SP_DEVINFO_DATA* data, os::DWORD property,
                       const os::BYTE* buffer, os::DWORD size) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    DeviceInSet* member = nullptr;
    if (!Member(handle, data, &member)) return FALSE;
    Device& d = devices_[member->device];
    os::DWORD error = 0;
    if (Fault("SetupDiSetDeviceRegistryPropertyW", text::FromUtf8(d.label), &error))
      return FailBool(error);
    const PropertyName* name = FindProperty(property);
    if (!name || !name->writable) return FailBool(ERROR_INVALID_REG_PROPERTY);
    if (!buffer && size != 0) return FailBool(ERROR_INVALID_USER_BUFFER);
    if (!buffer) {
      d.properties.erase(property);
      Record(d.label + " " + name->name + " deleted");
    } else {
      d.properties[property] = Property{name->defaultType, {buffer, buffer + size}};
      Record(d.label + " " + name->name + " written");
    }
    Save();
    return TRUE;
  }

  os::BOOL SetClassInstallParams(os::HDEVINFO handle, os::SP_DEVINFO_DATA* data,
                                 os::SP_CLASSINSTALL_HEADER* header, os::DWORD size) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    DeviceInSet* member = nullptr;
    if (!Member(handle, data, &member)) return FALSE;
    os::DWORD error = 0;
    if (Fault("SetupDiSetClassInstallParamsW", text::FromUtf8(devices_[member->device].label),
              &error))
      return FailBool(error);
    if (!header) {
      if (size != 0) return FailBool(ERROR_INVALID_PARAMETER);
      member->hasParams = false;
      return TRUE;
    }
    if (header->cbSize != sizeof(os::SP_CLASSINSTALL_HEADER))
      return FailBool(ERROR_INVALID_USER_BUFFER);
    if (header->InstallFunction != DIF_PROPERTYCHANGE || size != sizeof(os::SP_PROPCHANGE_PARAMS))
      return FailBool(ERROR_INVALID_PARAMETER);
    // The header is the first member of the record whose size the caller gave.
    const os::SP_PROPCHANGE_PARAMS params =
        *reinterpret_cast<const os::SP_PROPCHANGE_PARAMS*>(header);
    if (params.StateChange < DICS_ENABLE || params.StateChange > DICS_PROPCHANGE ||
        (params.Scope != DICS_FLAG_GLOBAL && params.Scope != DICS_FLAG_CONFIGSPECIFIC))
      return FailBool(ERROR_INVALID_PARAMETER);
    member->params = params;
    member->hasParams = true;
    return TRUE;
  }

  os::BOOL CallClassInstaller(os::UINT function, os::HDEVINFO handle, os::SP_DEVINFO_DATA* data) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    DeviceInSet* member = nullptr;
    if (!Member(handle, data, &member)) return FALSE;
    Device& d = devices_[member->device];
    if (function != DIF_PROPERTYCHANGE || !member->hasParams)
      return FailBool(ERROR_INVALID_PARAMETER);
    if (!d.present) return FailBool(ERROR_NO_SUCH_DEVINST);
    const os::DWORD state = member->params.StateChange;
    const std::string what =
        std::string(state == DICS_DISABLE  ? "disable"
                    : state == DICS_ENABLE ? "enable"
                                           : "propchange") +
        (member->params.Scope == DICS_FLAG_GLOBAL ? " global" : " config-specific");
    const int call = ++d.installerCalls;
    os::DWORD error = 0;
    if (Fault("SetupDiCallClassInstaller", text::FromUtf8(d.label), &error) ||
        (d.failingCalls.count(call) && (error = d.installerError, true))) {
      Record(d.label + " " + what + " refused " + std::to_string(error));
      return FailBool(error);
    }
    bool& flag =
        member->params.Scope == DICS_FLAG_GLOBAL ? d.disabledGlobally : d.disabledInProfile;
    if (state == DICS_DISABLE) flag = true;
    if (state == DICS_ENABLE) flag = false;
    if (state != DICS_DISABLE && d.needsReboot) member->installFlags |= DI_NEEDREBOOT;
    Record(d.label + " " + what);
    Save();
    return TRUE;
  }

  os::BOOL GetInstallParams(os::HDEVINFO handle, os::SP_DEVINFO_DATA* data,
                            os::SP_DEVINSTALL_PARAMS_W* params) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    DeviceInSet* member = nullptr;
    if (!Member(handle, data, &member)) return FALSE;
    if (!params || params->cbSize != sizeof(os::SP_DEVINSTALL_PARAMS_W))
      return FailBool(ERROR_INVALID_USER_BUFFER);
    os::DWORD error = 0;
    if (Fault("SetupDiGetDeviceInstallParamsW", text::FromUtf8(devices_[member->device].label),
              &error))
      return FailBool(error);
    *params = os::SP_DEVINSTALL_PARAMS_W{};
    params->cbSize = sizeof(os::SP_DEVINSTALL_PARAMS_W);
    params->Flags = member->installFlags;
    return TRUE;
  }

  os::BOOL Destroy(os::HDEVINFO handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    if (!sets_.Remove(handle)) return FailBool(ERROR_INVALID_HANDLE);
    return TRUE;
  }

  std::vector<std::string> Log() {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    return log_;
  }

  void ClearLog() {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    log_.clear();
    log_.shrink_to_fit();
    std::ofstream(Machine::Current().Folder() / "devices.log", std::ios::binary | std::ios::trunc);
  }

  bool Disabled(const std::string& label) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    for (const Device& d : devices_)
      if (d.label == label) return d.Disabled();
    return false;
  }

 private:
  void Sync() {
    Machine& m = Machine::Current();
    if (loaded_ && generation_ == m.Generation()) return;
    loaded_ = true;
    generation_ = m.Generation();
    devices_.clear();
    sets_.Clear();
    log_.clear();
    MachineIni saved;
    std::string ignored;
    const bool haveSaved = saved.Load(m.Folder() / "devices.ini", &ignored);
    const MachineIni& ini = m.Ini();
    for (const std::string& section : ini.SectionsWithPrefix("Device:")) {
      Device d;
      d.label = section;
      if (!ParseGuid(ini.Get(section, "ClassGuid", kMediaClass), &d.classGuid))
        ParseGuid(kMediaClass, &d.classGuid);
      d.present = ini.GetInt(section, "Present", 1) != 0;
      d.disabledGlobally = ini.GetInt(section, "Disabled", 0) != 0;
      d.disabledInProfile = ini.GetInt(section, "DisabledInProfile", 0) != 0;
      d.needsReboot = ini.GetInt(section, "NeedsReboot", 0) != 0;
      d.installerError =
          static_cast<os::DWORD>(ini.GetInt(section, "InstallerError", ERROR_GEN_FAILURE));
      std::stringstream calls(ini.Get(section, "InstallerFailsAt"));
      std::string call;
      while (std::getline(calls, call, ','))
        if (!Trim(call).empty())
          d.failingCalls.insert(std::strtol(Trim(call).c_str(), nullptr, 10));
      for (const PropertyName& name : kProperties) {
        if (!ini.Has(section, name.name)) continue;
        os::DWORD type = name.defaultType;
        const std::string typeKey = std::string(name.name) + "Type";
        if (ini.Has(section, typeKey)) ParseType(ini.Get(section, typeKey), &type);
        Property p;
        if (ParseIniProperty(ini.Get(section, name.name), type, &p)) d.properties[name.code] = p;
      }
      if (haveSaved) ApplySaved(saved, &d);
      devices_.push_back(d);
    }
  }

  // What an earlier run wrote wins over the first-use description.
  static void ApplySaved(const MachineIni& saved, Device* d) {
    for (const auto& [key, value] : saved.Entries(d->label)) {
      if (key == "Disabled") {
        d->disabledGlobally = value == "1";
        continue;
      }
      if (key == "DisabledInProfile") {
        d->disabledInProfile = value == "1";
        continue;
      }
      for (const PropertyName& name : kProperties) {
        if (!text::EqualsNoCase(text::FromUtf8(key), text::FromUtf8(name.name))) continue;
        if (value == "deleted") {
          d->properties.erase(name.code);
          continue;
        }
        const auto colon = value.find(':');
        Property p;
        if (colon != std::string::npos && ParseType(value.substr(0, colon), &p.type) &&
            ParseHex(value.substr(colon + 1), &p.data))
          d->properties[name.code] = p;
      }
    }
  }

  // devices.ini holds every device's writable properties and state, exactly as they are now.
  void Save() const {
    std::ofstream out(Machine::Current().Folder() / "devices.ini",
                      std::ios::binary | std::ios::trunc);
    out << "; Device state written by the simulated machine; see platform/sim/MACHINE.md.\n";
    for (const Device& d : devices_) {
      out << "[" << d.label << "]\n";
      out << "Disabled=" << (d.disabledGlobally ? 1 : 0) << "\n";
      out << "DisabledInProfile=" << (d.disabledInProfile ? 1 : 0) << "\n";
      for (const PropertyName& name : kProperties) {
        if (!name.writable) continue;
        const auto it = d.properties.find(name.code);
        if (it == d.properties.end()) out << name.name << "=deleted\n";
        else out << name.name << "=" << it->second.type << ":" << HexOf(it->second.data) << "\n";
      }
    }
  }

  static bool EnumeratedBy(const Device& d, const std::u16string& enumerator) {
    const auto it = d.properties.find(SPDRP_HARDWAREID);
    if (it == d.properties.end() || it->second.data.size() < 2) return false;
    std::u16string first;
    for (std::size_t i = 0; i + 1 < it->second.data.size(); i += 2) {
      const char16_t c = static_cast<char16_t>(it->second.data[i] | (it->second.data[i + 1] << 8));
      if (!c) break;
      first.push_back(c);
    }
    return text::EqualsNoCase(first.substr(0, enumerator.size() + 1), enumerator + u"\\");
  }

  bool Member(os::HDEVINFO handle, os::SP_DEVINFO_DATA* data, DeviceInSet** member) {
    DeviceSet* set = sets_.Find(handle);
    if (!set) return FailBool(ERROR_INVALID_HANDLE);
    if (!data) return FailBool(ERROR_INVALID_PARAMETER);
    if (data->cbSize != sizeof(os::SP_DEVINFO_DATA)) return FailBool(ERROR_INVALID_USER_BUFFER);
    if (data->Reserved != reinterpret_cast<std::uintptr_t>(handle))
      return FailBool(ERROR_INVALID_PARAMETER);
    for (DeviceInSet& m : set->members)
      if (m.device + 1 == data->DevInst) {
        *member = &m;
        return true;
      }
    return FailBool(ERROR_INVALID_PARAMETER);
  }

  void Record(const std::string& line) {
    log_.push_back(line);
    Machine& m = Machine::Current();
    std::ofstream(m.Folder() / "devices.log", std::ios::binary | std::ios::app)
        << "[" << m.Now() << " ms] " << line << "\n";
  }

  static os::HDEVINFO FailSet(os::DWORD error) {
    os::SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  static os::BOOL FailBool(os::DWORD error) {
    os::SetLastError(error);
    return FALSE;
  }

  std::mutex mutex_;
  bool loaded_ = false;
  std::uint64_t generation_ = 0;
  std::vector<Device> devices_;
  HandleTable<os::HDEVINFO, DeviceSet> sets_{0x5D0004, 4};
  std::vector<std::string> log_;
};

}  // namespace

std::vector<std::string> DeviceLog() { return DeviceManager::Get().Log(); }

void ClearDeviceLog() { DeviceManager::Get().ClearLog(); }

bool DeviceDisabled(const std::string& label) { return DeviceManager::Get().Disabled(label); }

}  // namespace sim

namespace os {

HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, const std::u16string& enumerator,
                              DWORD flags) {
  return sim::DeviceManager::Get().GetClassDevs(classGuid, enumerator, flags);
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) {
  return sim::DeviceManager::Get().Enum(set, index, device);
}

BOOL SetupDiGetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                       DWORD* type, BYTE* buffer, DWORD bufferSize,
                                       DWORD* requiredSize) {
  return sim::DeviceManager::Get().GetProperty(set, device, property, type, buffer, bufferSize,
                                               requiredSize);
}

BOOL SetupDiSetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                       const BYTE* buffer, DWORD size) {
  return sim::DeviceManager::Get().SetProperty(set, device, property, buffer, size);
}

BOOL SetupDiSetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                   SP_CLASSINSTALL_HEADER* params, DWORD size) {
  return sim::DeviceManager::Get().SetClassInstallParams(set, device, params, size);
}

BOOL SetupDiCallClassInstaller(UINT installFunction, HDEVINFO set, SP_DEVINFO_DATA* device) {
  return sim::DeviceManager::Get().CallClassInstaller(installFunction, set, device);
}

BOOL SetupDiGetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                    SP_DEVINSTALL_PARAMS_W* params) {
  return sim::DeviceManager::Get().GetInstallParams(set, device, params);
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) { return sim::DeviceManager::Get().Destroy(set); }

}  // namespace os
