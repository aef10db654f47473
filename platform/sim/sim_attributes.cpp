// Simulated machine: the attribute index of drive C: (sim_attributes.h).
#include "platform/sim/sim_attributes.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <string>

#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_paths.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

using Index = std::map<std::string, os::DWORD>;

std::mutex g_mutex;

fs::path IndexFile() { return Machine::Current().Folder() / "attributes.txt"; }

// Read on every use: the index is small, and tests reopen or replace machine folders freely.
Index Load() {
  Index index;
  std::ifstream in(IndexFile(), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto tab = line.find('\t');
    if (tab != 8) continue;  // not a line of ours: ignored rather than misread
    char* end = nullptr;
    const std::string hex = line.substr(0, 8);
    const unsigned long bits = std::strtoul(hex.c_str(), &end, 16);
    if (*end != '\0') continue;
    index[line.substr(tab + 1)] = static_cast<os::DWORD>(bits) & kStoredAttributeMask;
  }
  return index;
}

void Save(const Index& index) {
  const fs::path file = IndexFile();
  const fs::path temp = file.string() + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    char hex[16];
    for (const auto& [key, bits] : index) {
      std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(bits));
      out << hex << '\t' << key << '\n';
    }
  }
  std::error_code ec;
  fs::rename(temp, file, ec);  // whole file or the old one, never half of it
}

bool IsAtOrBelow(const std::string& key, const std::string& top) {
  return key == top || (key.size() > top.size() && key.compare(0, top.size(), top) == 0 &&
                        key[top.size()] == '/');
}

}  // namespace

os::DWORD AttributesOf(const fs::path& host) {
  std::error_code ec;
  const auto link = fs::symlink_status(host, ec);
  if (!fs::exists(link)) return INVALID_FILE_ATTRIBUTES;
  const bool isLink = fs::is_symlink(link);
  const bool isFolder = fs::is_directory(host, ec);
  os::DWORD bits = isFolder ? 0 : FILE_ATTRIBUTE_ARCHIVE;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    const Index index = Load();
    const auto it = index.find(DriveRelativeKey(host));
    if (it != index.end()) bits = it->second;
  }
  if (isFolder) bits |= FILE_ATTRIBUTE_DIRECTORY;
  if (isLink) bits |= FILE_ATTRIBUTE_REPARSE_POINT;  // file and folder links alike
  return bits ? bits : FILE_ATTRIBUTE_NORMAL;
}

void StoreAttributes(const fs::path& host, os::DWORD attributes) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Index index = Load();
  index[DriveRelativeKey(host)] = attributes & kStoredAttributeMask;
  Save(index);
}

void ForgetAttributes(const fs::path& host) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Index index = Load();
  const std::string top = DriveRelativeKey(host);
  bool changed = false;
  for (auto it = index.begin(); it != index.end();) {
    if (IsAtOrBelow(it->first, top)) {
      it = index.erase(it);
      changed = true;
    } else {
      ++it;
    }
  }
  if (changed) Save(index);
}

void MoveAttributes(const fs::path& from, const fs::path& to) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Index index = Load();
  const std::string oldTop = DriveRelativeKey(from), newTop = DriveRelativeKey(to);
  Index moved;
  bool changed = false;
  for (auto it = index.begin(); it != index.end();) {
    if (IsAtOrBelow(it->first, oldTop)) {
      moved[newTop + it->first.substr(oldTop.size())] = it->second;
      it = index.erase(it);
      changed = true;
    } else {
      ++it;
    }
  }
  if (!changed) return;
  for (const auto& [key, bits] : moved) index[key] = bits;
  Save(index);
}

}  // namespace sim
