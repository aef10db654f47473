#include "tools/zkt-fault-sweep/SilentList.h"

#include <fstream>
#include <sstream>

namespace {

std::string Trim(const std::string& s) {
  const auto begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  return s.substr(begin, s.find_last_not_of(" \t\r") - begin + 1);
}

}  // namespace

bool LoadSilentList(const std::filesystem::path& file, std::vector<SilentEntry>* out,
                    std::string* error) {
  std::ifstream in(file);
  if (!in) {
    *error = "cannot read " + file.string();
    return false;
  }
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const auto bar1 = line.find('|');
    const auto bar2 = bar1 == std::string::npos ? bar1 : line.find('|', bar1 + 1);
    if (bar2 == std::string::npos) {
      *error = file.filename().string() + " line " + std::to_string(number) +
               ": expected stage | calls | reason";
      return false;
    }
    SilentEntry entry;
    entry.stage = Trim(line.substr(0, bar1));
    std::stringstream calls(line.substr(bar1 + 1, bar2 - bar1 - 1));
    for (std::string call; std::getline(calls, call, ',');)
      if (!Trim(call).empty()) entry.calls.push_back(Trim(call));
    entry.reason = Trim(line.substr(bar2 + 1));
    entry.line = number;
    if (entry.stage.empty() || entry.calls.empty() || entry.reason.empty()) {
      *error = file.filename().string() + " line " + std::to_string(number) +
               ": stage, calls and reason must all be given";
      return false;
    }
    out->push_back(entry);
  }
  return true;
}

const SilentEntry* FindSilent(const std::vector<SilentEntry>& list, const std::string& stage,
                              const std::string& call) {
  for (const auto& entry : list) {
    if (entry.stage != "*" && stage.find(entry.stage) == std::string::npos) continue;
    for (const auto& c : entry.calls)
      if (c == "*" || c == call) return &entry;
  }
  return nullptr;
}
