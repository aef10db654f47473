#include "tools/zkt-fault-sweep/Ownership.h"

#include "payload/common/ProductNames.h"
#include "platform/SetupLog.h"
#include "platform/text.h"

namespace {

std::string Upper(const std::string& s) { return text::ToUtf8(text::ToUpper(text::FromUtf8(s))); }
std::string U8(const char16_t* s) { return text::ToUtf8(s); }

}  // namespace

OwnedSet::OwnedSet(const sim::MachineIni& config, bool windows64, const std::string& userName,
                   const std::vector<std::string>& productDevices) {
  const std::string install = config.Get("Install", "InstallFolderName");
  const std::string shortcuts = config.Get("Install", "ShortcutFolderName");
  const std::string shortcutsUp = config.Get("Install", "ShortcutFolderNameUp");
  const std::string app = config.Get("Install", "APPFileName");
  const std::string appShortcut = config.Get("Install", "AppShortcutName");
  const std::string hklm = "HKEY_LOCAL_MACHINE\\";
  // The setup is a 32-bit program: HKLM\SOFTWARE is the 32-bit view on 64-bit Windows.
  const std::string software = hklm + (windows64 ? "SOFTWARE\\WOW6432Node\\" : "SOFTWARE\\");
  auto soft = [&](const char16_t* key) { return software + U8(key).substr(9); };

  Tree("REG", hklm + U8(payload::kDriverServiceKey), "the driver's service key (STEP1)");
  Tree("REG", hklm + "SYSTEM\\CurrentControlSet\\Services\\" + U8(payload::kServiceName),
       "the service, registered by its own registration run (STEP2)");
  Item("SERVICE " + U8(payload::kServiceName), "the service is stopped, replaced and started");
  Item("SERVICE " + U8(payload::kDriverName), "the driver's service");
  Tree("REG", soft(payload::kProductKey), "launch modes and default audio settings");
  Tree("REG", soft(payload::kUsbGroupKey), "the published USB device-ID group");
  Tree("REG", soft(payload::kHidGroupKey), "the published HID device-ID group");
  Tree("REG", soft(payload::kUninstallKey), "the uninstall entry (STEP4)");
  Value(soft(payload::kRunKey), app, "the application's autostart value (STEP3)");
  ByName();

  const std::string programFiles = windows64 ? "C:\\Program Files (x86)\\" : "C:\\Program Files\\";
  Tree("FILE", programFiles + install, "the install folder and all it holds");
  ByName(2);
  installedConfiguration_ = "FILE " + Upper(programFiles + install + "\\AudioConfig.cfg");
  const std::string windows = "C:\\Windows\\";
  for (const char* system : {"System32\\", "SysWOW64\\"}) {
    if (!windows64 && std::string(system) == "SysWOW64\\") continue;
    Item("FILE " + windows + system + "drivers\\" + U8(payload::kDriverName) + ".sys",
         "the driver image (STEP1)");
    Item("FILE " + windows + system + U8(payload::kServiceName) + ".exe",
         "the service image (STEP2)");
    Item("FILE " + windows + system + U8(payload::kUpdatePackageName),
         "the update package (STEP5 extracts it, STEP10 runs it)");
  }
  const std::string programs = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
  Tree("FILE", programs + (shortcutsUp.empty() ? "" : shortcutsUp + "\\") + shortcuts,
       "the Start-menu folder with the application's and the uninstaller's shortcuts");
  ByName(2);
  Tree("FILE", programs + shortcuts, "the Start-menu folder with the manual's shortcut");
  ByName(2);
  Item("FILE C:\\Users\\" + userName + "\\Desktop\\" + appShortcut + ".lnk",
       "the desktop shortcut");
  ByName();
  Tree("FILE", "C:\\Users\\" + userName + "\\AppData\\Roaming\\" + install,
       "the per-user profile folder (configuration copy, chosen language)");
  Tree("FILE", "C:\\ProgramData\\" + U8(payload::kLogFolderName), "the service's log");
  Value(hklm + "SYSTEM\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations",
        "files in use that the uninstaller (and Windows' own updates) remove at the restart");
  // The setup's own log in the user's TEMP: appended by every run, moved aside once when full.
  const std::string temp = "C:\\Users\\" + userName + "\\AppData\\Local\\Temp\\";
  const std::u16string log = setup_log::kLogFileName;
  RunLog(temp + text::ToUtf8(log), "the setup's log, appended by every run");
  RunLog(temp + text::ToUtf8(setup_log::OldPath(log)), "the setup's previous log");
  for (const auto& label : productDevices) {
    Item("DEVICE [DEVICE:" + label + "] LowerFilters",
         "the filter is detached from the product's devices");
    Item("DEVICE [DEVICE:" + label + "] Disabled", "the product's devices are restarted");
  }
}

void OwnedSet::Tree(const std::string& kind, const std::string& path, const std::string& why) {
  if (kind == "REG") {
    rules_.push_back({"REG " + Upper(path), true});
  } else {
    rules_.push_back({"DIR " + Upper(path), true});
    rules_.push_back({"FILE " + Upper(path), true});
  }
  lines_.push_back(path + "\\... : " + why);
}

void OwnedSet::RunLog(const std::string& path, const std::string& why) {
  rules_.push_back({"FILE " + Upper(path), false, true});
  lines_.push_back(path + " : " + why + " (its content differs from run to run)");
}

void OwnedSet::Value(const std::string& key, const std::string& name, const std::string& why) {
  rules_.push_back({"REG " + Upper(key) + " :: \"" + Upper(name) + "\"", false});
  lines_.push_back(key + " \"" + name + "\" : " + why);
}

void OwnedSet::Item(const std::string& entry, const std::string& why) {
  rules_.push_back({Upper(entry), false});
  lines_.push_back(entry + " : " + why);
}

bool OwnedSet::ChangesEveryRun(const std::string& entryName) const {
  for (const auto& rule : rules_)
    if (rule.everyRun && entryName == rule.entry) return true;
  return false;
}

bool OwnedSet::Matches(const Rule& rule, const std::string& entryName) const {
  if (entryName.compare(0, rule.entry.size(), rule.entry) != 0) return false;
  if (entryName.size() == rule.entry.size()) return true;
  if (!rule.tree) return false;
  const char next = entryName[rule.entry.size()];
  return next == '\\' || entryName.compare(rule.entry.size(), 4, " :: ") == 0;
}

bool OwnedSet::Owns(const std::string& entryName) const {
  for (const auto& rule : rules_)
    if (Matches(rule, entryName)) return true;
  return false;
}

bool OwnedSet::NamedByConfiguration(const std::string& entryName) const {
  for (const auto& rule : rules_)
    if (rule.byName && Matches(rule, entryName)) return true;
  return false;
}
