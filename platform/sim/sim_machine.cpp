// Simulated Windows machine: the machine folder, machine.ini, clock, debugger channel, faults.
#include "platform/sim/sim_machine.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/sim/sim_paths.h"
#include "platform/sim/sim_registry.h"
#include "platform/text.h"

namespace sim {

namespace {

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  const auto e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

const char kDefaultMachineIni[] =
    "; Simulated Windows machine. Every key is described in platform/sim/MACHINE.md.\n"
    "[Windows]\n"
    "Version=10.0\n"
    "Build=19045\n"
    "ServicePack=0\n"
    "Architecture=x64\n"
    "\n"
    "[Screen]\n"
    "Width=1920\n"
    "Height=1080\n"
    "\n"
    "[Environment]\n"
    "USERNAME=User\n";

}  // namespace

// ---- MachineIni ----

bool MachineIni::Load(const std::filesystem::path& file, std::string* error) {
  sections_.clear();
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *error = "cannot read " + file.string();
    return false;
  }
  std::string line;
  int lineNo = 0;
  Section* current = nullptr;
  while (std::getline(in, line)) {
    ++lineNo;
    if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      const auto close = line.find(']');
      if (close == std::string::npos) {
        *error = file.filename().string() + " line " + std::to_string(lineNo) +
                 ": section header without ']'";
        return false;
      }
      sections_.push_back({Trim(line.substr(1, close - 1)), {}});
      current = &sections_.back();
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos || !current) {
      *error = file.filename().string() + " line " + std::to_string(lineNo) +
               (current ? ": expected key=value" : ": key outside a section");
      return false;
    }
    current->entries.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
  }
  return true;
}

const MachineIni::Section* MachineIni::Find(const std::string& name) const {
  for (const auto& s : sections_)
    if (SameNoCase(s.name, name)) return &s;
  return nullptr;
}

std::string MachineIni::Get(const std::string& section, const std::string& key,
                            const std::string& fallback) const {
  if (const Section* s = Find(section))
    for (const auto& [k, v] : s->entries)
      if (SameNoCase(k, key)) return v;
  return fallback;
}

bool MachineIni::Has(const std::string& section, const std::string& key) const {
  if (const Section* s = Find(section))
    for (const auto& kv : s->entries)
      if (SameNoCase(kv.first, key)) return true;
  return false;
}

long MachineIni::GetInt(const std::string& section, const std::string& key, long fallback) const {
  const std::string v = Get(section, key);
  if (v.empty()) return fallback;
  char* end = nullptr;
  const long n = std::strtol(v.c_str(), &end, 0);
  return end && *end == '\0' ? n : fallback;
}

std::vector<std::string> MachineIni::SectionsWithPrefix(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& s : sections_)
    if (s.name.size() >= prefix.size() && SameNoCase(s.name.substr(0, prefix.size()), prefix))
      out.push_back(s.name);
  return out;
}

std::vector<std::pair<std::string, std::string>> MachineIni::Entries(
    const std::string& section) const {
  if (const Section* s = Find(section)) return s->entries;
  return {};
}

void MachineIni::Set(const std::string& section, const std::string& key, const std::string& value) {
  for (auto& s : sections_) {
    if (!SameNoCase(s.name, section)) continue;
    for (auto& kv : s.entries)
      if (SameNoCase(kv.first, key)) {
        kv.second = value;
        return;
      }
    s.entries.emplace_back(key, value);
    return;
  }
  sections_.push_back({section, {{key, value}}});
}

// ---- Machine ----

Machine::Machine() : registry_(std::make_unique<Registry>()) {}
Machine::~Machine() = default;

namespace {

// The scratch folder of the default machine, made by this process; removed when a machine
// folder is opened instead and at exit, so that tools and tests leave no folder behind.
std::filesystem::path& ScratchFolder() {
  static std::filesystem::path folder;
  return folder;
}

void RemoveScratchFolder() {
  std::error_code ec;
  if (!ScratchFolder().empty()) std::filesystem::remove_all(ScratchFolder(), ec);
  ScratchFolder().clear();
}

}  // namespace

Machine& Machine::Current() {
  static Machine* machine = new Machine();  // lives for the whole process, also at exit
  if (!machine->opened_) {
    std::string error;
    const auto tmp = std::filesystem::temp_directory_path() /
                     ("zkt-sim-" + std::to_string(static_cast<long>(::getpid())));
    if (ScratchFolder().empty() && !std::filesystem::exists(tmp)) {
      static const bool registered = std::atexit(RemoveScratchFolder) == 0;
      (void)registered;
      ScratchFolder() = tmp;
    }
    machine->Open(tmp, &error);
  }
  return *machine;
}

Registry& Machine::Reg() { return *registry_; }

void Machine::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  opened_ = false;
  ini_ = MachineIni();
  registry_->Clear();
  faults_.clear();
  observer_ = nullptr;
  debug_.clear();
  clock_ = 0;
  ++generation_;
  processIs32Bit_ = true;
  modulePath_.clear();
}

bool Machine::Open(const std::filesystem::path& folder, std::string* error) {
  Reset();
  if (!ScratchFolder().empty() && folder != ScratchFolder()) RemoveScratchFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder / "C", ec);
  if (ec) {
    *error = "cannot create machine folder " + folder.string() + ": " + ec.message();
    return false;
  }
  folder_ = std::filesystem::absolute(folder);
  opened_ = true;  // before anything below may ask for Current()
  const auto iniPath = folder_ / "machine.ini";
  if (!std::filesystem::exists(iniPath)) {
    std::ofstream(iniPath, std::ios::binary) << kDefaultMachineIni;
  }
  if (!ini_.Load(iniPath, error) || !ApplyIni(error)) return false;
  CreateStandardFolders();  // every Windows installation has them
  modulePath_ = u"C:\\Users\\" + UserName() + u"\\Downloads\\ZKTAudioSetup\\ZKTAudioSetup.exe";
  const auto regPath = folder_ / "registry.reg";
  if (std::filesystem::exists(regPath)) {
    if (!registry_->Load(regPath, error)) return false;
  } else {
    registry_->InstallDefaults(*this);
  }
  return true;
}

bool Machine::ApplyIni(std::string* error) {
  const std::string version = ini_.Get("Windows", "Version", "10.0");
  unsigned major = 0, minor = 0;
  char dot = 0;
  std::istringstream vs(version);
  if (!(vs >> major >> dot >> minor) || dot != '.') {
    *error = "machine.ini [Windows] Version must be major.minor, got '" + version + "'";
    return false;
  }
  major_ = major;
  minor_ = minor;
  build_ = static_cast<os::DWORD>(ini_.GetInt("Windows", "Build", major == 10 ? 19045 : 7601));
  servicePack_ = static_cast<os::WORD>(ini_.GetInt("Windows", "ServicePack", 0));
  const std::string arch = ini_.Get("Windows", "Architecture", "x64");
  if (SameNoCase(arch, "x86")) arch_ = Arch::X86;
  else if (SameNoCase(arch, "x64") || SameNoCase(arch, "amd64")) arch_ = Arch::X64;
  else if (SameNoCase(arch, "arm64")) arch_ = Arch::Arm64;
  else {
    *error = "machine.ini [Windows] Architecture must be x86, x64 or arm64, got '" + arch + "'";
    return false;
  }
  screenWidth_ = static_cast<int>(ini_.GetInt("Screen", "Width", 1920));
  screenHeight_ = static_cast<int>(ini_.GetInt("Screen", "Height", 1080));
  if (screenWidth_ <= 0 || screenHeight_ <= 0) {
    *error = "machine.ini [Screen] Width and Height must be positive";
    return false;
  }
  // Windows offers 100 % to 500 %; below 100 % is no setting a display can have.
  screenDpi_ = static_cast<int>(ini_.GetInt("Screen", "Dpi", 96));
  if (screenDpi_ < 96 || screenDpi_ > 480) {
    *error = "machine.ini [Screen] Dpi must be between 96 and 480";
    return false;
  }
  return true;
}

bool Machine::Save(std::string* error) {
  if (!opened_) return true;
  return registry_->Save(folder_ / "registry.reg", error);
}

std::u16string Machine::UserName() const {
  return text::FromUtf8(ini_.Get("Environment", "USERNAME", "User"));
}

namespace {

std::u16string ProcessorArchitectureName(Arch arch) {
  switch (arch) {
    case Arch::X86: return u"x86";
    case Arch::X64: return u"AMD64";
    case Arch::Arm64: return u"ARM64";
  }
  return u"x86";
}

}  // namespace

bool Machine::Environment(const std::u16string& name, std::u16string* value) const {
  const std::string key = text::ToUtf8(name);
  if (ini_.Has("Environment", key)) {
    *value = text::FromUtf8(ini_.Get("Environment", key));
    return true;
  }
  const std::u16string user = UserName();
  const std::u16string upper = text::ToUpper(name);
  const bool x86 = arch_ == Arch::X86;
  // Windows' own defaults for a logged-on user of this machine.
  const std::pair<const char16_t*, std::u16string> defaults[] = {
      {u"APPDATA", u"C:\\Users\\" + user + u"\\AppData\\Roaming"},
      {u"LOCALAPPDATA", u"C:\\Users\\" + user + u"\\AppData\\Local"},
      {u"USERPROFILE", u"C:\\Users\\" + user},
      {u"USERNAME", user},
      {u"SYSTEMROOT", u"C:\\Windows"},
      {u"WINDIR", u"C:\\Windows"},
      {u"SYSTEMDRIVE", u"C:"},
      {u"PROGRAMDATA", u"C:\\ProgramData"},
      {u"ALLUSERSPROFILE", u"C:\\ProgramData"},
      {u"PUBLIC", u"C:\\Users\\Public"},
      {u"TEMP", u"C:\\Users\\" + user + u"\\AppData\\Local\\Temp"},
      {u"TMP", u"C:\\Users\\" + user + u"\\AppData\\Local\\Temp"},
      {u"PROGRAMFILES", (UnderWow64() ? u"C:\\Program Files (x86)" : u"C:\\Program Files")},
      {u"PROGRAMFILES(X86)", x86 ? u"" : u"C:\\Program Files (x86)"},
      {u"PROGRAMW6432", x86 ? u"" : u"C:\\Program Files"},
      {u"COMMONPROGRAMFILES", (UnderWow64() ? u"C:\\Program Files (x86)\\Common Files"
                                            : u"C:\\Program Files\\Common Files")},
      {u"COMMONPROGRAMFILES(X86)", x86 ? u"" : u"C:\\Program Files (x86)\\Common Files"},
      {u"COMMONPROGRAMW6432", x86 ? u"" : u"C:\\Program Files\\Common Files"},
      // A 32-bit program under WOW64 sees an x86 processor and the real one in a variable of
      // its own.
      {u"PROCESSOR_ARCHITECTURE", ProcessorArchitectureName(UnderWow64() ? Arch::X86 : arch_)},
      {u"PROCESSOR_ARCHITEW6432", UnderWow64() ? ProcessorArchitectureName(arch_) : u""},
  };
  for (const auto& [k, v] : defaults)
    if (upper == k && !v.empty()) {
      *value = v;
      return true;
    }
  return false;
}

void Machine::Debug(const std::u16string& textOut) {
  std::lock_guard<std::mutex> lock(mutex_);
  debug_ += textOut;
  if (!folder_.empty()) {
    std::ofstream(folder_ / "debug.log", std::ios::binary | std::ios::app) << text::ToUtf8(textOut);
  }
}

std::u16string Machine::DebugOutput() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return debug_;
}

void Machine::ClearDebugOutput() {
  std::lock_guard<std::mutex> lock(mutex_);
  debug_.clear();
}

void Machine::InjectFault(const FaultRule& rule) {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_.push_back(rule);
}

void Machine::ClearFaults() {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_.clear();
}

void Machine::SetCallObserver(CallObserver observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  observer_ = std::move(observer);
}

bool Machine::TakeFault(const char* call, const std::u16string& subject, os::DWORD* error) {
  CallObserver observer;
  bool failed = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    failed = MatchFault(call, subject, error);
    observer = observer_;
  }
  if (observer) observer(call, subject, failed);
  return failed;
}

bool Machine::MatchFault(const char* call, const std::u16string& subject, os::DWORD* error) {
  for (auto& rule : faults_) {
    if (rule.call != call || rule.count == 0) continue;
    if (!rule.match.empty() && text::ToUpper(subject).find(text::ToUpper(
                                   text::FromUtf8(rule.match))) == std::u16string::npos)
      continue;
    if (rule.skip > 0) {
      --rule.skip;
      continue;
    }
    if (rule.count > 0) --rule.count;
    *error = rule.error;
    return true;
  }
  return false;
}

bool Fault(const char* call, const std::u16string& subject, os::DWORD* error) {
  return Machine::Current().TakeFault(call, subject, error);
}

}  // namespace sim
