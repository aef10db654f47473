#include "tools/zkt-fault-sweep/MachineState.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "platform/text.h"
#include "tests/support/reg_file.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Upper(std::string s) { return text::ToUtf8(text::ToUpper(text::FromUtf8(s))); }

// registry.reg as lines, continuations joined.
std::vector<std::string> RegLines(const fs::path& file) {
  std::vector<std::string> lines;
  std::istringstream in(ReadRegFile(file));
  std::string line;
  bool continued = false;
  while (std::getline(in, line)) {
    if (continued) {
      std::size_t start = line.find_first_not_of(' ');
      lines.back() += line.substr(start == std::string::npos ? line.size() : start);
    } else {
      lines.push_back(line);
    }
    continued = !lines.back().empty() && lines.back().back() == '\\' &&
                lines.back().find("=hex") != std::string::npos;
    if (continued) lines.back().pop_back();
  }
  return lines;
}

// The value name of an exported value line ("@" for the default value), and where its data starts.
bool SplitValue(const std::string& line, std::string* name, std::string* data) {
  if (line.rfind("@=", 0) == 0) {
    *name = "@";
    *data = line.substr(2);
    return true;
  }
  if (line.empty() || line[0] != '"') return false;
  for (std::size_t i = 1; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '"') {
      if (i + 1 >= line.size() || line[i + 1] != '=') return false;
      *name = line.substr(0, i + 1);
      *data = line.substr(i + 2);
      return true;
    }
  }
  return false;
}

bool CaptureRegistry(const fs::path& file, MachineState* out, std::string* error) {
  if (!fs::exists(file)) return true;
  std::string key;
  for (const auto& line : RegLines(file)) {
    if (line.empty() || line[0] == ';' || line.rfind("Windows Registry Editor", 0) == 0) continue;
    if (line[0] == '[' && line.back() == ']') {
      key = Upper(line.substr(1, line.size() - 2));
      out->entries["REG " + key] = "";
      continue;
    }
    std::string name, data;
    if (key.empty() || !SplitValue(line, &name, &data)) {
      *error = "registry.reg: unexpected line " + line;
      return false;
    }
    out->entries["REG " + key + " :: " + Upper(name)] = data;
  }
  return true;
}

std::string WindowsPath(const fs::path& drive, const fs::path& host) {
  std::string rel = fs::relative(host, drive).generic_string();
  for (auto& c : rel)
    if (c == '/') c = '\\';
  return "C:\\" + (rel == "." ? "" : rel);
}

void CaptureDrive(const fs::path& folder, MachineState* out) {
  const fs::path drive = folder / "C";
  std::map<std::string, std::string> attributes;  // drive-relative host path -> hex bits
  std::istringstream index(ReadAll(folder / "attributes.txt"));
  for (std::string line; std::getline(index, line);) {
    const auto tab = line.find('\t');
    if (tab == std::string::npos) continue;
    // Windows sets the archive bit on every write and only backup programs clear it: it says
    // nothing about what a run left, so two equal machines may differ there.
    unsigned long bits = std::strtoul(line.substr(0, tab).c_str(), nullptr, 16);
    bits &= ~0x20ul;  // FILE_ATTRIBUTE_ARCHIVE
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(bits & 0xFFFFFFFFul));
    attributes[Upper(line.substr(tab + 1))] = text;
  }
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(drive, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string path = Upper(WindowsPath(drive, it->path()));
    const std::string rel = Upper(fs::relative(it->path(), drive).generic_string());
    const auto attr = attributes.find(rel);
    const std::string bits = attr == attributes.end() ? "" : " attributes " + attr->second;
    if (it->is_symlink()) {
      out->entries["DIR " + path] = "link " + fs::read_symlink(it->path()).string() + bits;
      it.disable_recursion_pending();
    } else if (it->is_directory()) {
      out->entries["DIR " + path] = bits;
    } else {
      std::string content = ReadAll(it->path());
      // A shortcut records its target's times, which come from the host's clock: two runs
      // that write the same shortcut differ only there.
      const std::string name = it->path().filename().string();
      if (name.size() > 4 && Upper(name.substr(name.size() - 4)) == ".LNK" && content.size() >= 52)
        std::fill(content.begin() + 28, content.begin() + 52, '\0');
      std::ostringstream note;
      note << content.size() << " bytes, digest " << std::hex << std::hash<std::string>()(content)
           << bits;
      out->entries["FILE " + path] = note.str();
    }
  }
}

// services.state ("NAME=state") and devices.ini ("[Device:LABEL]" then "key=value").
void CaptureKeptState(const fs::path& folder, MachineState* out) {
  std::istringstream services(ReadAll(folder / "services.state"));
  for (std::string line; std::getline(services, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos)
      out->entries["SERVICE " + Upper(line.substr(0, eq))] = line.substr(eq + 1);
  }
  std::istringstream devices(ReadAll(folder / "devices.ini"));
  std::string section;
  for (std::string line; std::getline(devices, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') {
      section = Upper(line);
    } else if (const auto eq = line.find('='); eq != std::string::npos) {
      out->entries["DEVICE " + section + " " + Upper(line.substr(0, eq))] = line.substr(eq + 1);
    }
  }
}

}  // namespace

bool MachineState::Capture(const fs::path& machineFolder, MachineState* out, std::string* error) {
  out->entries.clear();
  if (!CaptureRegistry(machineFolder / "registry.reg", out, error)) return false;
  CaptureDrive(machineFolder, out);
  CaptureKeptState(machineFolder, out);
  return true;
}

std::vector<std::string> Differences(const MachineState& a, const MachineState& b,
                                     const std::function<bool(const std::string&)>& skip) {
  std::vector<std::string> out;
  auto ia = a.entries.begin();
  auto ib = b.entries.begin();
  while (ia != a.entries.end() || ib != b.entries.end()) {
    if (ib == b.entries.end() || (ia != a.entries.end() && ia->first < ib->first)) {
      if (!skip(ia->first)) out.push_back(ia->first + " (gone)");
      ++ia;
    } else if (ia == a.entries.end() || ib->first < ia->first) {
      if (!skip(ib->first)) out.push_back(ib->first + " (new)");
      ++ib;
    } else {
      if (ia->second != ib->second && !skip(ia->first))
        out.push_back(ia->first + " (" + ia->second + " -> " + ib->second + ")");
      ++ia;
      ++ib;
    }
  }
  return out;
}

namespace {

// "7:4f,00,74,00,..." (a REG_MULTI_SZ as the device state keeps it) with the ASCII letters of its
// UTF-16 characters upper-cased; the text as it is when it is not of that form.
std::string UpperMultiString(const std::string& content) {
  if (content.rfind("7:", 0) != 0) return content;
  std::vector<unsigned> bytes;
  std::istringstream in(content.substr(2));
  for (std::string pair; std::getline(in, pair, ',');) {
    if (pair.size() != 2 || !std::isxdigit(static_cast<unsigned char>(pair[0])) ||
        !std::isxdigit(static_cast<unsigned char>(pair[1])))
      return content;
    bytes.push_back(static_cast<unsigned>(std::stoul(pair, nullptr, 16)));
  }
  std::string out = "7:";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned byte = bytes[i];
    if (i % 2 == 0 && i + 1 < bytes.size() && bytes[i + 1] == 0 && byte >= 'a' && byte <= 'z')
      byte -= 'a' - 'A';
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02x", byte);
    out += (i ? "," : "") + std::string(hex);
  }
  return out;
}

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

bool SameToWindows(const std::string& name, const std::string& a, const std::string& b) {
  if (a == b) return true;
  const bool filterList = name.rfind("DEVICE ", 0) == 0 &&
                          (EndsWith(name, " LOWERFILTERS") || EndsWith(name, " UPPERFILTERS"));
  return filterList && UpperMultiString(a) == UpperMultiString(b);
}

std::vector<std::string> Leftovers(const MachineState& a, const MachineState& b,
                                   const std::function<bool(const std::string&)>& skip) {
  std::vector<std::string> out;
  for (const auto& [name, content] : b.entries) {
    if (skip(name)) continue;
    const auto it = a.entries.find(name);
    if (it == a.entries.end()) out.push_back(name + " (left)");
    else if (!SameToWindows(name, it->second, content))
      out.push_back(name + " (" + it->second + " -> " + content + ")");
  }
  return out;
}
