// The conformance harness: scenario registry, ordered run, and the helpers scenarios call.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/os_files.h"
#include "platform/text.h"
#include "tests/conformance/conformance.h"
#include "tests/conformance/conformance_run.h"

namespace conf {

namespace {

struct Scenario {
  const char* name;
  int order;
  ScenarioFn fn;
};

// Function-local so that registrations from any translation unit find it constructed.
std::vector<Scenario>& Registry() {
  static std::vector<Scenario> scenarios;
  return scenarios;
}

std::vector<Scenario> Ordered() {
  std::vector<Scenario> sorted = Registry();
  std::sort(sorted.begin(), sorted.end(), [](const Scenario& a, const Scenario& b) {
    if (a.order != b.order) return a.order < b.order;
    return std::string(a.name) < b.name;
  });
  return sorted;
}

const RunSettings* g_settings = nullptr;
std::FILE* g_out = nullptr;

}  // namespace

Registration::Registration(const char* name, int order, ScenarioFn fn) {
  Registry().push_back({name, order, fn});
}

void Line(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string line;
  if (needed > 0) {
    line.resize(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(&line[0], line.size(), format, args);
    line.resize(static_cast<std::size_t>(needed));
  }
  va_end(args);
  line += '\n';
  std::FILE* out = g_out ? g_out : stdout;
  std::fwrite(line.data(), 1, line.size(), out);
  // Flushed per line so that a crash still shows how far a scenario got.
  std::fflush(out);
}

std::string U8(const std::u16string& s) { return text::ToUtf8(s); }

std::u16string Scratch() { return u"C:\\zkt-conformance\\"; }

std::u16string Fixture(const std::u16string& name) {
  if (!g_settings) return u"";
  for (const auto& present : g_settings->fixtureNames)
    if (text::EqualsNoCase(present, name)) return g_settings->fixtureFolder + present;
  return u"";
}

bool OnSim() { return g_settings && g_settings->onSim; }

void WriteText(const std::u16string& path, const std::string& content) {
  os::HANDLE h = os::CreateFileW(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (h == INVALID_HANDLE_VALUE) {
    conf::Line("cannot write %s: error %lu", conf::U8(path).c_str(),
               static_cast<unsigned long>(os::GetLastError()));
    return;
  }
  os::DWORD written = 0;
  os::WriteFile(h, content.data(), static_cast<os::DWORD>(content.size()), &written);
  os::CloseHandle(h);
}

std::string ReadText(const std::u16string& path) {
  os::HANDLE h = os::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
  if (h == INVALID_HANDLE_VALUE) return "(unreadable)";
  char buffer[256];
  os::DWORD got = 0;
  os::ReadFile(h, buffer, sizeof buffer, &got);
  os::CloseHandle(h);
  return std::string(buffer, got);
}

void PrintResult(const char* what, int ok) {
  const unsigned long error = ok ? 0 : static_cast<unsigned long>(os::GetLastError());
  Line("%s: %d, last error %lu", what, ok ? 1 : 0, error);
}

void Check(const char* what, int ok) {
  PrintResult(what, ok);
  os::SetLastError(kPoison);
}

void PrintOpen(const char* what, void* handle) {
  const os::HANDLE h = static_cast<os::HANDLE>(handle);
  const bool failed = h == INVALID_HANDLE_VALUE;
  Line("%s: %s, last error %lu", what, failed ? "failed" : "opened",
       failed ? static_cast<unsigned long>(os::GetLastError()) : 0ul);
  if (!failed) os::CloseHandle(h);
  os::SetLastError(kPoison);
}

void PrintAttributes(const char* what, const std::u16string& path) {
  os::SetLastError(kPoison);
  const os::DWORD a = os::GetFileAttributesW(path);
  if (a == INVALID_FILE_ATTRIBUTES)
    Line("%s: no such entry, last error %lu", what, static_cast<unsigned long>(os::GetLastError()));
  else Line("%s: %s", what, (a & FILE_ATTRIBUTE_DIRECTORY) ? "folder" : "file");
}

std::vector<std::string> ScenarioNames() {
  std::vector<std::string> names;
  for (const auto& s : Ordered()) names.push_back(s.name);
  return names;
}

int RunAll(const RunSettings& settings, std::FILE* out) {
  g_settings = &settings;
  g_out = out;
  int run = 0;
  for (const auto& s : Ordered()) {
    if (!settings.only.empty() && std::string(s.name).rfind(settings.only, 0) != 0) continue;
    Line("== %s", s.name);
    s.fn();
    ++run;
  }
  // A run cut short (a crash under wine) shows as a missing last line in the comparison.
  Line("== end (%d scenarios)", run);
  g_settings = nullptr;
  g_out = nullptr;
  return run;
}

// The names FindFirstFileW / FindNextFileW list for `pattern` (without "." and ".."), in the
// order given, or the error of the first call.
void PrintFound(const char* what, const std::u16string& pattern) {
  os::FindData data;
  os::SetLastError(kPoison);
  const os::HANDLE find = os::FindFirstFileW(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) {
    Line("%s: none, last error %lu", what, static_cast<unsigned long>(os::GetLastError()));
    return;
  }
  std::string names;
  std::size_t count = 0;
  do {
    if (data.fileName == u"." || data.fileName == u"..") continue;
    names += " " + U8(data.fileName);
    if (data.attributes & FILE_ATTRIBUTE_DIRECTORY) names += "/";
    ++count;
  } while (os::FindNextFileW(find, &data));
  os::FindClose(find);
  Line("%s: %zu:%s", what, count, names.c_str());
}

}  // namespace conf
