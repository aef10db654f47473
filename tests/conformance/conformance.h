// Conformance scenarios: one source, built for the simulated machine on Linux and with mingw
// for wine64. Each scenario prints its observations; the two outputs must be identical.
//
//   CONFORMANCE_SCENARIO(registry_views, 10) { conf::Line("create %ld", result); }
//
// Scenarios run in ascending order (set-up first, clean-up last), each under a heading.
#pragma once

#include <string>

namespace conf {

using ScenarioFn = void (*)();
struct Registration {
  Registration(const char* name, int order, ScenarioFn fn);
};

// Prints one observation line (printf format, narrow; use conf::U8 for UTF-16 text).
void Line(const char* format, ...);
// UTF-8 text of a UTF-16 string, for Line("%s", conf::U8(s).c_str()).
std::string U8(const std::u16string& s);
// The scratch folder of this run, a Windows path ending in "\\" that the scenario may fill
// freely (the same on both backends: C:\zkt-conformance\).
std::u16string Scratch();
// The Windows path of a built test file shipped next to the conformance program
// (e.g. a program with a known version resource), or "" when the runner supplied none.
std::u16string Fixture(const std::u16string& name);
// True on the simulated machine. Only for the rare known difference between wine and Windows,
// explained at the call site; the observation printed must still be the same on both.
bool OnSim();
// Writes a small file through the file seam (a line saying why when it cannot), and reads one
// back ("(unreadable)" when it cannot).
void WriteText(const std::u16string& path, const std::string& content);
std::string ReadText(const std::u16string& path);

// A value no call leaves in the last error by itself: set before a call so that a result that
// forgets to set the error shows.
constexpr unsigned long kPoison = 0xdeadbeefu;
// "<what>: <ok>, last error <n>" for a BOOL result (the last error only when it failed).
void PrintResult(const char* what, int ok);
// PrintResult, then the last error poisoned again for the next call.
void Check(const char* what, int ok);
// "<what>: opened|failed, last error <n>" for a CreateFileW result, which it closes.
void PrintOpen(const char* what, void* handle);
// "<what>: file", "<what>: folder" or "<what>: no such entry, last error <n>".
void PrintAttributes(const char* what, const std::u16string& path);

// "<what>: <count>: <name> <name>/ ..." for what FindFirstFileW / FindNextFileW list for
// `pattern` ("." and ".." left out, folders marked "/"), or "<what>: none, last error <n>".
void PrintFound(const char* what, const std::u16string& pattern);

}  // namespace conf

#define CONFORMANCE_SCENARIO(name, order)                                               \
  static void conformance_##name();                                                     \
  static ::conf::Registration conformance_reg_##name(#name, order, conformance_##name); \
  static void conformance_##name()
