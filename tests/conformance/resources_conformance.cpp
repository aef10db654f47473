// Conformance: custom-type resources of the program's own image, stored under language 1028
// as the setup's payloads are (tests/conformance/resources/resources.ini): found without
// naming a language, type names without regard to case, sizes and bytes, and the errors of a
// missing name and a missing type.
#include <cstdio>
#include <string>

#include "platform/os_files.h"
#include "platform/os_resources.h"
#include "tests/conformance/conformance.h"

namespace {

using conf::kPoison;

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

// Finds, sizes and loads one resource and prints what it holds (its first bytes in hex).
void PrintResource(const char* what, const std::u16string& type, os::WORD id) {
  os::SetLastError(kPoison);
  const os::HRSRC found = os::FindResourceW(type, id);
  if (!found) {
    conf::Line("%s: not found, last error %lu", what, U(os::GetLastError()));
    return;
  }
  const os::DWORD size = os::SizeofResource(found);
  const os::HGLOBAL loaded = os::LoadResource(found);
  const auto* bytes =
      static_cast<const unsigned char*>(loaded ? os::LockResource(loaded) : nullptr);
  std::string hex;
  char cell[4];
  for (os::DWORD i = 0; bytes && i < size && i < 8; ++i) {
    std::snprintf(cell, sizeof cell, "%02x ", bytes[i]);
    hex += cell;
  }
  conf::Line("%s: size %lu, loaded %s, locked %s, begins %s", what, U(size), loaded ? "yes" : "no",
             bytes ? "yes" : "no", hex.c_str());
}

}  // namespace

CONFORMANCE_SCENARIO(resources_custom_types, 95) {
  PrintResource("ZKTCONF 201", u"ZKTCONF", 201);
  PrintResource("ZKTCONF 202", u"ZKTCONF", 202);
  PrintResource("ZKTOTHER 301", u"ZKTOTHER", 301);
}

CONFORMANCE_SCENARIO(resources_type_case, 95) {
  PrintResource("zktconf 201", u"zktconf", 201);
  PrintResource("ZktOther 301", u"ZktOther", 301);
}

CONFORMANCE_SCENARIO(resources_missing, 95) {
  PrintResource("ZKTCONF 203 (no such name)", u"ZKTCONF", 203);
  PrintResource("ZKTOTHER 201 (name of the other type)", u"ZKTOTHER", 201);
  PrintResource("ZKTNONE 201 (no such type)", u"ZKTNONE", 201);
}

// What the setup does with a payload: the bytes written out read back the same.
CONFORMANCE_SCENARIO(resources_written_out, 95) {
  const os::HRSRC found = os::FindResourceW(u"ZKTCONF", 201);
  const os::HGLOBAL loaded = found ? os::LoadResource(found) : nullptr;
  const void* bytes = loaded ? os::LockResource(loaded) : nullptr;
  if (!bytes) {
    conf::Line("ZKTCONF 201 not loaded");
    return;
  }
  const std::u16string file = conf::Scratch() + u"resource.txt";
  conf::WriteText(file, std::string(static_cast<const char*>(bytes), os::SizeofResource(found)));
  conf::Line("written out, reads: %s", conf::ReadText(file).c_str());
  os::DeleteFileW(file);
}
