// Simulated machine: the service control manager (os_services.h).
#include "platform/sim/sim_services.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <set>

#include "platform/os_files.h"
#include "platform/os_registry.h"
#include "platform/os_services.h"
#include "platform/sim/sim_handle_table.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_registry.h"
#include "platform/text.h"

namespace sim {

namespace {

constexpr char16_t kServicesRoot[] = u"SYSTEM\\CurrentControlSet\\Services";
constexpr char16_t kServicesKey[] = u"SYSTEM\\CurrentControlSet\\Services\\";
constexpr int kNever = -1;
constexpr char kMarkedWord[] = "marked-for-deletion";
#ifndef ERROR_DATABASE_DOES_NOT_EXIST
constexpr os::DWORD kErrorDatabaseDoesNotExist = 1065;
#else
constexpr os::DWORD kErrorDatabaseDoesNotExist = ERROR_DATABASE_DOES_NOT_EXIST;
#endif
constexpr os::DWORD kErrorRemoteUnavailable = 1722;  // RPC_S_SERVER_UNAVAILABLE

// How a service answers, from machine.ini [Service:<name>]; the defaults are a well-behaved
// service that starts and stops at the first poll and accepts its own control codes.
struct Behaviour {
  int startPolls = 1;
  int stopPolls = 1;
  bool acceptsStop = true;
  os::DWORD startError = 0;
  bool acceptsUserControls = true;
  std::string userControls;  // comma-separated codes accepted; empty: all of them
  os::DWORD userControlError = ERROR_CALL_NOT_IMPLEMENTED;
  std::string initialState = "stopped";
  bool installed = true;
  std::u16string imagePath;
};

struct Runtime {
  os::DWORD state = SERVICE_STOPPED;
  int pollsLeft = 0;  // status queries until a pending state ends; kNever: it never ends
  os::DWORD checkPoint = 0;
};

struct Handle {
  bool isManager = false;
  std::u16string name;  // the service name as opened
  os::DWORD access = 0;
};

const std::pair<const char*, os::DWORD> kStateWords[] = {
    {"stopped", SERVICE_STOPPED},
    {"start-pending", SERVICE_START_PENDING},
    {"stop-pending", SERVICE_STOP_PENDING},
    {"running", SERVICE_RUNNING},
    {"continue-pending", SERVICE_CONTINUE_PENDING},
    {"pause-pending", SERVICE_PAUSE_PENDING},
    {"paused", SERVICE_PAUSED}};

bool StateFromWord(const std::string& word, os::DWORD* state) {
  for (const auto& [w, s] : kStateWords)
    if (text::EqualsNoCase(text::FromUtf8(word), text::FromUtf8(w))) {
      *state = s;
      return true;
    }
  return false;
}

const char* WordOfState(os::DWORD state) {
  for (const auto& [w, s] : kStateWords)
    if (s == state) return w;
  return "stopped";
}

int ParsePolls(const MachineIni& ini, const std::string& section, const char* key) {
  const std::string v = ini.Get(section, key);
  if (text::EqualsNoCase(text::FromUtf8(v), u"never")) return kNever;
  const long n = ini.GetInt(section, key, 1);
  return n < 0 ? kNever : static_cast<int>(n);
}

// Whether `code` is in a comma-separated list; an empty list holds every code.
bool Listed(const std::string& list, os::DWORD code) {
  if (list.empty()) return true;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    if (std::strtoul(list.substr(start, comma - start).c_str(), nullptr, 0) == code) return true;
    start = comma + 1;
  }
  return false;
}

bool IsPending(os::DWORD state) {
  return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
         state == SERVICE_CONTINUE_PENDING || state == SERVICE_PAUSE_PENDING;
}

// The manager reads and writes the service keys itself, straight in the machine's registry:
// those are not the calling program's registry calls, so they are neither recorded nor failed
// by injected faults; the manager's own calls are.
class ServiceManager {
 public:
  static ServiceManager& Get() {
    static ServiceManager* manager = new ServiceManager();  // used until the process ends
    return *manager;
  }

  os::SC_HANDLE OpenManager(const std::u16string& machineName, const std::u16string& database,
                            os::DWORD access) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    os::DWORD error = 0;
    if (Fault("OpenSCManagerW", machineName, &error)) return Fail(error);
    if (!machineName.empty() && !text::EqualsNoCase(machineName, u"localhost") &&
        !text::EqualsNoCase(machineName, u"\\\\localhost"))
      return Fail(kErrorRemoteUnavailable);
    if (!database.empty() && !text::EqualsNoCase(database, u"ServicesActive"))
      return Fail(kErrorDatabaseDoesNotExist);
    return handles_.Add(Handle{true, u"", access});
  }

  os::SC_HANDLE OpenService(os::SC_HANDLE manager, const std::u16string& name, os::DWORD access) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    const Handle* m = handles_.Find(manager);
    if (!m || !m->isManager) return Fail(ERROR_INVALID_HANDLE);
    os::DWORD error = 0;
    if (Fault("OpenServiceW", name, &error)) return Fail(error);
    if (name.empty() || name.find_first_of(u"\\/") != std::u16string::npos)
      return Fail(ERROR_INVALID_NAME);
    if (!IsInstalled(name)) return Fail(ERROR_SERVICE_DOES_NOT_EXIST);
    return handles_.Add(Handle{false, name, access});
  }

  os::BOOL Close(os::SC_HANDLE handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    const Handle* h = handles_.Find(handle);
    if (!h) return FailBool(ERROR_INVALID_HANDLE);
    closes_.push_back(h->isManager ? "manager" : "service " + text::ToUtf8(h->name));
    const std::u16string name = h->name;
    handles_.Remove(handle);
    if (!name.empty()) DeleteIfDone(name);
    return TRUE;
  }

  os::BOOL Query(os::SC_HANDLE handle, os::SERVICE_STATUS* status,
                 const char* call = "QueryServiceStatus") {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    Runtime* rt = nullptr;
    if (!ServiceOf(handle, SERVICE_QUERY_STATUS, &rt)) return FALSE;
    if (!status) return FailBool(ERROR_INVALID_PARAMETER);
    const std::u16string& name = handles_.Find(handle)->name;
    os::DWORD error = 0;
    if (Fault(call, name, &error)) return FailBool(error);
    // A pending service moves on as the caller keeps asking.
    if (IsPending(rt->state) && rt->pollsLeft != kNever) {
      ++rt->checkPoint;
      if (rt->pollsLeft > 0) --rt->pollsLeft;
      if (rt->pollsLeft == 0) Settle(name, rt);
    }
    Fill(name, *rt, status);
    return TRUE;
  }

  os::BOOL Start(os::SC_HANDLE handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    Runtime* rt = nullptr;
    if (!ServiceOf(handle, SERVICE_START, &rt)) return FALSE;
    const std::u16string name = handles_.Find(handle)->name;
    os::DWORD error = 0;
    if (Fault("StartServiceW", name, &error)) return FailBool(error);
    if (marked_.count(text::ToUpper(name))) return FailBool(ERROR_SERVICE_MARKED_FOR_DELETE);
    if (ReadDword(name, u"Start", SERVICE_DEMAND_START) == SERVICE_DISABLED)
      return FailBool(ERROR_SERVICE_DISABLED);
    if (rt->state != SERVICE_STOPPED) return FailBool(ERROR_SERVICE_ALREADY_RUNNING);
    const Behaviour b = BehaviourOf(name);
    if (b.startError != 0) {
      Record(name, "start refused " + std::to_string(b.startError));
      return FailBool(b.startError);
    }
    Record(name, "start");
    rt->state = SERVICE_START_PENDING;
    rt->checkPoint = 0;
    rt->pollsLeft = b.startPolls;
    if (rt->pollsLeft == 0) Settle(name, rt);
    SaveStates();
    return TRUE;
  }

  os::BOOL Control(os::SC_HANDLE handle, os::DWORD control, os::SERVICE_STATUS* status) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    const bool user = control >= 128 && control <= 255;
    os::DWORD needed = SERVICE_INTERROGATE;
    if (control == SERVICE_CONTROL_STOP) needed = SERVICE_STOP;
    else if (control == SERVICE_CONTROL_PAUSE || control == SERVICE_CONTROL_CONTINUE)
      needed = 0x0040;  // SERVICE_PAUSE_CONTINUE
    else if (user) needed = SERVICE_USER_DEFINED_CONTROL;
    Runtime* rt = nullptr;
    if (!ServiceOf(handle, needed, &rt)) return FALSE;
    if (!status) return FailBool(ERROR_INVALID_PARAMETER);
    const std::u16string name = handles_.Find(handle)->name;
    os::DWORD error = 0;
    if (Fault("ControlService", name, &error)) return FailBool(error);
    if (control > 255 || control == 0) return FailBool(ERROR_INVALID_PARAMETER);
    // Windows fills the status for these refusals too: 1062, 1052 and 1061.
    if (rt->state == SERVICE_STOPPED) {
      Fill(name, *rt, status);
      return FailBool(ERROR_SERVICE_NOT_ACTIVE);
    }
    // A service in a pending state accepts no controls at all.
    if (IsPending(rt->state)) {
      Fill(name, *rt, status);
      return FailBool(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    }
    const Behaviour b = BehaviourOf(name);
    if (control == SERVICE_CONTROL_STOP) {
      if (!b.acceptsStop) {
        Fill(name, *rt, status);
        return FailBool(ERROR_INVALID_SERVICE_CONTROL);
      }
      Record(name, "control 1");
      rt->state = SERVICE_STOP_PENDING;
      rt->checkPoint = 0;
      rt->pollsLeft = b.stopPolls;
      if (rt->pollsLeft == 0) Settle(name, rt);
      SaveStates();
    } else if (control == SERVICE_CONTROL_INTERROGATE) {
      // answered by the service manager from the last reported status
    } else if (user) {
      if (!b.acceptsUserControls || !Listed(b.userControls, control)) {
        Record(name, "control " + std::to_string(control) + " refused " +
                         std::to_string(b.userControlError));
        Fill(name, *rt, status);
        return FailBool(b.userControlError);
      }
      Record(name, "control " + std::to_string(control));
    } else {
      // Pause and continue, and the codes Windows keeps for itself, are not accepted.
      Fill(name, *rt, status);
      return FailBool(ERROR_INVALID_SERVICE_CONTROL);
    }
    Fill(name, *rt, status);
    return TRUE;
  }

  os::BOOL Delete(os::SC_HANDLE handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    Runtime* rt = nullptr;
    if (!ServiceOf(handle, os::DELETE, &rt)) return FALSE;
    const std::u16string name = handles_.Find(handle)->name;
    os::DWORD error = 0;
    if (Fault("DeleteService", name, &error)) return FailBool(error);
    if (!marked_.insert(text::ToUpper(name)).second)
      return FailBool(ERROR_SERVICE_MARKED_FOR_DELETE);
    Record(name, "marked for deletion");
    SaveStates();
    return TRUE;
  }

  os::BOOL ChangeConfig(os::SC_HANDLE handle, os::DWORD type, os::DWORD start,
                        os::DWORD errorControl, const std::u16string& imagePath,
                        const std::u16string& displayName) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    Runtime* rt = nullptr;
    if (!ServiceOf(handle, SERVICE_CHANGE_CONFIG, &rt)) return FALSE;
    const std::u16string name = handles_.Find(handle)->name;
    os::DWORD error = 0;
    if (Fault("ChangeServiceConfigW", name, &error)) return FailBool(error);
    if (marked_.count(text::ToUpper(name))) return FailBool(ERROR_SERVICE_MARKED_FOR_DELETE);
    const os::DWORD newType =
        type == SERVICE_NO_CHANGE ? ReadDword(name, u"Type", SERVICE_WIN32_OWN_PROCESS) : type;
    const os::DWORD baseType = newType & ~SERVICE_INTERACTIVE_PROCESS;
    const bool driver = baseType == SERVICE_KERNEL_DRIVER || baseType == SERVICE_FILE_SYSTEM_DRIVER;
    const bool win32 =
        baseType == SERVICE_WIN32_OWN_PROCESS || baseType == SERVICE_WIN32_SHARE_PROCESS;
    // Only Win32 services may interact with the desktop; boot and system starts are for drivers.
    if ((!driver && !win32) || (driver && newType != baseType))
      return FailBool(ERROR_INVALID_PARAMETER);
    const os::DWORD newStart =
        start == SERVICE_NO_CHANGE ? ReadDword(name, u"Start", SERVICE_DEMAND_START) : start;
    if (newStart > SERVICE_DISABLED || (!driver && newStart < SERVICE_AUTO_START))
      return FailBool(ERROR_INVALID_PARAMETER);
    if (errorControl != SERVICE_NO_CHANGE && errorControl > SERVICE_ERROR_CRITICAL)
      return FailBool(ERROR_INVALID_PARAMETER);
    // The manager writes the service's key itself: these are not the caller's registry calls.
    Registry& reg = Machine::Current().Reg();
    os::HKEY key = nullptr;
    if (reg.OpenKey(HKEY_LOCAL_MACHINE, kServicesKey + name, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
      return FailBool(ERROR_SERVICE_MARKED_FOR_DELETE);
    bool ok = true;
    const auto setDword = [&](const char16_t* value, os::DWORD data) {
      if (data != SERVICE_NO_CHANGE)
        ok = ok && reg.SetValue(key, value, REG_DWORD, &data, 4) == ERROR_SUCCESS;
    };
    const auto setText = [&](const char16_t* value, os::DWORD kind, const std::u16string& data) {
      if (!data.empty())
        ok = ok && reg.SetValue(key, value, kind, data.c_str(),
                                static_cast<os::DWORD>((data.size() + 1) * 2)) == ERROR_SUCCESS;
    };
    setDword(u"Type", type);
    setDword(u"Start", start);
    setDword(u"ErrorControl", errorControl);
    setText(u"ImagePath", REG_EXPAND_SZ, imagePath);
    setText(u"DisplayName", REG_SZ, displayName);
    reg.CloseKey(key);
    return ok ? TRUE : FailBool(ERROR_ACCESS_DENIED);
  }

  bool Register(const std::u16string& name, const std::u16string& imagePath) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    Registry& reg = Machine::Current().Reg();
    os::HKEY key = nullptr;
    if (reg.CreateKey(HKEY_LOCAL_MACHINE, kServicesKey + name, u"", 0, KEY_ALL_ACCESS, &key,
                      nullptr) != ERROR_SUCCESS)
      return false;
    const os::DWORD type = SERVICE_WIN32_OWN_PROCESS, start = SERVICE_AUTO_START, errors = 1;
    const std::u16string objectName = u"LocalSystem";
    bool ok = reg.SetValue(key, u"Type", REG_DWORD, &type, 4) == ERROR_SUCCESS &&
              reg.SetValue(key, u"Start", REG_DWORD, &start, 4) == ERROR_SUCCESS &&
              reg.SetValue(key, u"ErrorControl", REG_DWORD, &errors, 4) == ERROR_SUCCESS;
    ok = ok && SetString(key, u"ImagePath", REG_EXPAND_SZ, imagePath) &&
         SetString(key, u"DisplayName", REG_SZ, name) &&
         SetString(key, u"ObjectName", REG_SZ, objectName);
    reg.CloseKey(key);
    runtime_.emplace(text::ToUpper(name), Runtime{});
    database_.insert(text::ToUpper(name));
    SaveStates();
    return ok;
  }

  // Windows starts: the manager reads every service key that has a Type into its database,
  // and every service begins stopped (services that start themselves are not modelled).
  void LoadAtWindowsStart() {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    // A service marked for deletion is gone once Windows has stopped it.
    const std::set<std::u16string> marked = marked_;
    for (const auto& upper : marked) Remove(upper);
    Registry& reg = Machine::Current().Reg();
    os::HKEY services = nullptr;
    if (reg.OpenKey(HKEY_LOCAL_MACHINE, kServicesRoot, KEY_READ, &services) != ERROR_SUCCESS)
      return;
    std::u16string name;
    for (os::DWORD i = 0; reg.EnumKey(services, i, &name) == ERROR_SUCCESS; ++i) {
      os::HKEY key = nullptr;
      if (reg.OpenKey(services, name, KEY_READ, &key) != ERROR_SUCCESS) continue;
      os::DWORD type = 0, data = 0, size = 4;
      if (reg.QueryValue(key, u"Type", &type, &data, &size) == ERROR_SUCCESS && type == REG_DWORD)
        database_.insert(text::ToUpper(name));
      reg.CloseKey(key);
    }
    reg.CloseKey(services);
    runtime_.clear();
    for (const auto& upper : database_) runtime_[upper] = Runtime{};
    SaveStates();
  }

  os::DWORD State(const std::u16string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    if (!IsInstalled(name)) return 0;
    return RuntimeOf(name)->state;
  }

  std::vector<std::string> Log() {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    return log_;
  }

  std::vector<std::string> Closes() {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    return closes_;
  }

  std::size_t OpenHandles() {
    std::lock_guard<std::mutex> lock(mutex_);
    Sync();
    return handles_.Size();
  }

 private:
  // Reloads everything when the machine was reset or reopened.
  void Sync() {
    Machine& m = Machine::Current();
    if (generation_ == m.Generation() && loaded_) return;
    loaded_ = true;
    generation_ = m.Generation();
    behaviours_.clear();
    runtime_.clear();
    database_.clear();
    marked_.clear();
    handles_.Clear();
    log_.clear();
    closes_.clear();
    const MachineIni& ini = m.Ini();
    for (const std::string& section : ini.SectionsWithPrefix("Service:")) {
      const std::u16string name = text::FromUtf8(section.substr(8));
      Behaviour b;
      b.startPolls = ParsePolls(ini, section, "StartPolls");
      b.stopPolls = ParsePolls(ini, section, "StopPolls");
      b.acceptsStop = ini.GetInt(section, "AcceptsStop", 1) != 0;
      b.startError = static_cast<os::DWORD>(ini.GetInt(section, "StartError", 0));
      b.acceptsUserControls = ini.GetInt(section, "AcceptsUserControls", 1) != 0;
      b.userControls = ini.Get(section, "UserControls");
      b.userControlError = static_cast<os::DWORD>(
          ini.GetInt(section, "UserControlError", ERROR_CALL_NOT_IMPLEMENTED));
      b.initialState = ini.Get(section, "State", "stopped");
      b.installed = ini.GetInt(section, "Installed", 1) != 0;
      b.imagePath = text::FromUtf8(
          ini.Get(section, "ImagePath", "C:\\Windows\\System32\\" + section.substr(8) + ".exe"));
      behaviours_[text::ToUpper(name)] = b;
      Runtime rt;
      if (!StateFromWord(b.initialState, &rt.state)) rt.state = SERVICE_STOPPED;
      rt.pollsLeft = rt.state == SERVICE_STOP_PENDING ? b.stopPolls : b.startPolls;
      runtime_[text::ToUpper(name)] = rt;
      if (b.installed) {
        EnsureKey(name, b.imagePath);
        database_.insert(text::ToUpper(name));
      }
    }
    // The state the last run left wins over the first-use state of machine.ini.
    std::ifstream in(m.Folder() / "services.state", std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      const auto eq = line.find('=');
      const auto blank = line.find(' ', eq == std::string::npos ? 0 : eq);
      os::DWORD state = 0;
      if (eq == std::string::npos || !StateFromWord(line.substr(eq + 1, blank - eq - 1), &state))
        continue;
      const std::u16string upper = text::ToUpper(text::FromUtf8(line.substr(0, eq)));
      database_.insert(upper);
      if (blank != std::string::npos && line.substr(blank + 1) == kMarkedWord)
        marked_.insert(upper);
      Runtime& rt = runtime_[upper];
      rt.state = state;
      const Behaviour b = BehaviourOf(upper);
      rt.pollsLeft = state == SERVICE_STOP_PENDING ? b.stopPolls : b.startPolls;
    }
    // The programs that held handles to a marked service have ended since.
    const std::set<std::u16string> marked = marked_;
    for (const auto& upper : marked) DeleteIfDone(upper);
  }

  // A marked service leaves the database, and its key the registry, once it is stopped and
  // no handle to it is open.
  void DeleteIfDone(const std::u16string& name) {
    const std::u16string upper = text::ToUpper(name);
    if (!marked_.count(upper) || RuntimeOf(upper)->state != SERVICE_STOPPED) return;
    const bool open = handles_.Any(
        [&](const Handle& h) { return !h.isManager && text::ToUpper(h.name) == upper; });
    if (!open) Remove(upper);
  }

  void Remove(const std::u16string& upper) {
    Registry& reg = Machine::Current().Reg();
    os::HKEY services = nullptr;
    if (reg.OpenKey(HKEY_LOCAL_MACHINE, kServicesRoot, KEY_ALL_ACCESS, &services) ==
        ERROR_SUCCESS) {
      DeleteTree(reg, services, upper);
      reg.CloseKey(services);
    }
    Record(upper, "deleted");
    marked_.erase(upper);
    database_.erase(upper);
    runtime_.erase(upper);
    SaveStates();
  }

  static void DeleteTree(Registry& reg, os::HKEY parent, const std::u16string& name) {
    os::HKEY key = nullptr;
    if (reg.OpenKey(parent, name, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    std::vector<std::u16string> children;
    std::u16string child;
    for (os::DWORD i = 0; reg.EnumKey(key, i, &child) == ERROR_SUCCESS; ++i)
      children.push_back(child);
    for (const auto& c : children) DeleteTree(reg, key, c);
    reg.CloseKey(key);
    reg.DeleteKey(parent, name, 0);
  }

  void EnsureKey(const std::u16string& name, const std::u16string& imagePath) {
    Registry& reg = Machine::Current().Reg();
    os::HKEY key = nullptr;
    os::DWORD disposition = 0;
    if (reg.CreateKey(HKEY_LOCAL_MACHINE, kServicesKey + name, u"", 0, KEY_ALL_ACCESS, &key,
                      &disposition) != ERROR_SUCCESS)
      return;
    if (disposition == REG_CREATED_NEW_KEY) {
      const os::DWORD type = SERVICE_WIN32_OWN_PROCESS, start = SERVICE_AUTO_START;
      reg.SetValue(key, u"Type", REG_DWORD, &type, 4);
      reg.SetValue(key, u"Start", REG_DWORD, &start, 4);
      SetString(key, u"ImagePath", REG_EXPAND_SZ, imagePath);
    }
    reg.CloseKey(key);
  }

  static bool SetString(os::HKEY key, const std::u16string& value, os::DWORD type,
                        const std::u16string& data) {
    return Machine::Current().Reg().SetValue(key, value, type, data.c_str(),
                                             static_cast<os::DWORD>((data.size() + 1) * 2)) ==
           ERROR_SUCCESS;
  }

  // A service is one the manager's database holds (read when Windows started, or created since)
  // whose key still exists; a key written into the registry alone is no service.
  bool IsInstalled(const std::u16string& name) const {
    if (!database_.count(text::ToUpper(name))) return false;
    Registry& reg = Machine::Current().Reg();
    os::HKEY key = nullptr;
    if (reg.OpenKey(HKEY_LOCAL_MACHINE, kServicesKey + name, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    reg.CloseKey(key);
    return true;
  }

  static os::DWORD ReadDword(const std::u16string& name, const std::u16string& value,
                             os::DWORD fallback) {
    Registry& reg = Machine::Current().Reg();
    os::HKEY key = nullptr;
    if (reg.OpenKey(HKEY_LOCAL_MACHINE, kServicesKey + name, KEY_READ, &key) != ERROR_SUCCESS)
      return fallback;
    os::DWORD type = 0, data = 0, size = 4;
    const os::LONG rc = reg.QueryValue(key, value, &type, &data, &size);
    reg.CloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_DWORD && size == 4 ? data : fallback;
  }

  Behaviour BehaviourOf(const std::u16string& name) const {
    const auto it = behaviours_.find(text::ToUpper(name));
    return it == behaviours_.end() ? Behaviour{} : it->second;
  }

  Runtime* RuntimeOf(const std::u16string& name) { return &runtime_[text::ToUpper(name)]; }

  // A pending state reaches its end.
  void Settle(const std::u16string& name, Runtime* rt) {
    if (rt->state == SERVICE_STOP_PENDING) rt->state = SERVICE_STOPPED;
    else if (rt->state == SERVICE_PAUSE_PENDING) rt->state = SERVICE_PAUSED;
    else rt->state = SERVICE_RUNNING;
    rt->checkPoint = 0;
    (void)name;
    SaveStates();
  }

  void Fill(const std::u16string& name, const Runtime& rt, os::SERVICE_STATUS* status) const {
    const Behaviour b = BehaviourOf(name);
    *status = os::SERVICE_STATUS{};
    status->dwServiceType = ReadDword(name, u"Type", SERVICE_WIN32_OWN_PROCESS);
    status->dwCurrentState = rt.state;
    if (rt.state == SERVICE_RUNNING && b.acceptsStop)
      status->dwControlsAccepted = SERVICE_ACCEPT_STOP;
    if (IsPending(rt.state)) {
      status->dwCheckPoint = rt.checkPoint;
      status->dwWaitHint = 2000;
    }
  }

  // The service of a handle, checking the access the call needs.
  bool ServiceOf(os::SC_HANDLE handle, os::DWORD access, Runtime** rt) {
    const Handle* h = handles_.Find(handle);
    if (!h || h->isManager) return FailBool(ERROR_INVALID_HANDLE);
    if ((h->access & access) != access) return FailBool(ERROR_ACCESS_DENIED);
    if (!IsInstalled(h->name)) return FailBool(ERROR_SERVICE_MARKED_FOR_DELETE);
    *rt = RuntimeOf(h->name);
    return true;
  }

  void Record(const std::u16string& name, const std::string& event) {
    const std::string line = text::ToUtf8(name) + " " + event;
    log_.push_back(line);
    Machine& m = Machine::Current();
    std::ofstream(m.Folder() / "services.log", std::ios::binary | std::ios::app)
        << "[" << m.Now() << " ms] " << line << "\n";
  }

  void SaveStates() const {
    std::ofstream out(Machine::Current().Folder() / "services.state",
                      std::ios::binary | std::ios::trunc);
    for (const auto& [upper, rt] : runtime_)
      if (IsInstalled(upper))
        out << text::ToUtf8(upper) << "=" << WordOfState(rt.state)
            << (marked_.count(upper) ? std::string(" ") + kMarkedWord : "") << "\n";
  }

  static os::SC_HANDLE Fail(os::DWORD error) {
    os::SetLastError(error);
    return nullptr;
  }
  static os::BOOL FailBool(os::DWORD error) {
    os::SetLastError(error);
    return FALSE;
  }

  std::mutex mutex_;
  bool loaded_ = false;
  std::uint64_t generation_ = 0;
  std::map<std::u16string, Behaviour> behaviours_;  // by upper-cased name
  std::map<std::u16string, Runtime> runtime_;       // by upper-cased name
  std::set<std::u16string> database_;               // upper-cased names of the services
  std::set<std::u16string> marked_;                 // upper-cased names marked for deletion
  HandleTable<os::SC_HANDLE, Handle> handles_{0x5C0004, 4};
  std::vector<std::string> log_;
  std::vector<std::string> closes_;
};

}  // namespace

bool RegisterService(const std::u16string& name, const std::u16string& imagePath) {
  return ServiceManager::Get().Register(name, imagePath);
}

os::DWORD ServiceState(const std::u16string& name) { return ServiceManager::Get().State(name); }

void LoadServicesAtWindowsStart() { ServiceManager::Get().LoadAtWindowsStart(); }

std::vector<std::string> ServiceLog() { return ServiceManager::Get().Log(); }

std::vector<std::string> ServiceHandleCloses() { return ServiceManager::Get().Closes(); }

std::size_t OpenServiceHandles() { return ServiceManager::Get().OpenHandles(); }

}  // namespace sim

namespace os {

SC_HANDLE OpenSCManagerW(const std::u16string& machineName, const std::u16string& databaseName,
                         DWORD access) {
  return sim::ServiceManager::Get().OpenManager(machineName, databaseName, access);
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, const std::u16string& serviceName, DWORD access) {
  return sim::ServiceManager::Get().OpenService(manager, serviceName, access);
}

BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) {
  return sim::ServiceManager::Get().Control(service, control, status);
}

BOOL StartServiceW(SC_HANDLE service, DWORD, const char16_t**) {
  return sim::ServiceManager::Get().Start(service);
}

BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) {
  return sim::ServiceManager::Get().Query(service, status);
}

// The simulated services have no process of their own: the process id is 0, as Windows gives
// it for a service that does not run.
BOOL QueryServiceStatusEx(SC_HANDLE service, SERVICE_STATUS_PROCESS* status) {
  if (!status) return sim::ServiceManager::Get().Query(service, nullptr, "QueryServiceStatusEx");
  *status = SERVICE_STATUS_PROCESS{};
  return sim::ServiceManager::Get().Query(service, &status->status, "QueryServiceStatusEx");
}

BOOL DeleteService(SC_HANDLE service) { return sim::ServiceManager::Get().Delete(service); }

BOOL ChangeServiceConfigW(SC_HANDLE service, DWORD serviceType, DWORD startType, DWORD errorControl,
                          const std::u16string& binaryPathName, const std::u16string& displayName) {
  return sim::ServiceManager::Get().ChangeConfig(service, serviceType, startType, errorControl,
                                                 binaryPathName, displayName);
}

BOOL CloseServiceHandle(SC_HANDLE handle) { return sim::ServiceManager::Get().Close(handle); }

}  // namespace os
