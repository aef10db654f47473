// Simulated machine: the program's resources, read from the payload manifest (os_resources.h).
#include "platform/sim/sim_resources.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/os_files.h"
#include "platform/os_resources.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

#ifndef ZKT_DEFAULT_PAYLOAD_MANIFEST
#define ZKT_DEFAULT_PAYLOAD_MANIFEST ""
#endif

namespace sim {
namespace {

struct Payload {
  std::string type;  // upper-cased, as the resource compiler stores custom type names
  os::WORD id = 0;
  std::filesystem::path file;
  bool mapped = false;
  const void* data = nullptr;
  std::size_t size = 0;
};

struct Resources {
  std::mutex mutex;
  std::filesystem::path manifest = ZKT_DEFAULT_PAYLOAD_MANIFEST;
  bool loaded = false;
  std::map<std::pair<std::string, os::WORD>, std::unique_ptr<Payload>> payloads;
  std::vector<std::unique_ptr<Payload>> retired;  // of earlier manifests, still mapped
};

Resources& State() {
  static Resources* resources = new Resources();  // mappings live as long as the process
  return *resources;
}

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool ParseManifest(const std::filesystem::path& file,
                   std::map<std::pair<std::string, os::WORD>, std::unique_ptr<Payload>>* out,
                   std::string* error) {
  std::ifstream in(file);
  if (!in) {
    *error = "cannot read payload manifest " + file.string();
    return false;
  }
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == ';' || line[first] == '#') continue;
    std::istringstream fields(line);
    std::string type, path;
    long id = -1;
    if (!(fields >> type >> id >> path) || id < 1 || id > 0xFFFF) {
      *error =
          file.filename().string() + " line " + std::to_string(lineNo) + ": expected TYPE ID FILE";
      return false;
    }
    auto payload = std::make_unique<Payload>();
    payload->type = Upper(type);
    payload->id = static_cast<os::WORD>(id);
    payload->file = file.parent_path() / path;
    (*out)[{payload->type, payload->id}] = std::move(payload);
  }
  return true;
}

Resources& Loaded() {
  Resources& r = State();
  if (!r.loaded) {
    std::string error;
    r.payloads.clear();
    if (!r.manifest.empty()) ParseManifest(r.manifest, &r.payloads, &error);
    r.loaded = true;
  }
  return r;
}

}  // namespace

bool SetPayloadManifest(const std::filesystem::path& manifest, std::string* error) {
  Resources& r = State();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::map<std::pair<std::string, os::WORD>, std::unique_ptr<Payload>> parsed;
  if (!ParseManifest(manifest, &parsed, error)) return false;
  // Earlier mappings stay valid (callers may still hold their pointers); only the table changes.
  for (auto& entry : r.payloads) r.retired.push_back(std::move(entry.second));
  r.payloads = std::move(parsed);
  r.manifest = manifest;
  r.loaded = true;
  return true;
}

std::filesystem::path PayloadManifest() { return State().manifest; }

}  // namespace sim

namespace os {

HRSRC FindResourceW(const std::u16string& type, WORD id) {
  DWORD error = 0;
  if (sim::Fault("FindResourceW", type, &error)) {
    SetLastError(error);
    return nullptr;
  }
  sim::Resources& r = sim::State();
  std::lock_guard<std::mutex> lock(r.mutex);
  sim::Loaded();
  const auto it = r.payloads.find({sim::Upper(text::ToUtf8(type)), id});
  std::error_code ec;
  if (it == r.payloads.end() || !std::filesystem::is_regular_file(it->second->file, ec)) {
    // A type the image has no resource of is ERROR_RESOURCE_TYPE_NOT_FOUND; a missing name of
    // a type it has, ERROR_RESOURCE_NAME_NOT_FOUND.
    const std::string upper = sim::Upper(text::ToUtf8(type));
    bool typeKnown = false;
    for (const auto& [key, payload] : r.payloads)
      if (key.first == upper && std::filesystem::is_regular_file(payload->file, ec))
        typeKnown = true;
    SetLastError(typeKnown ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(it->second.get());
}

DWORD SizeofResource(HRSRC resource) {
  if (!resource) return 0;
  auto* payload = reinterpret_cast<sim::Payload*>(resource);
  std::error_code ec;
  const auto size = std::filesystem::file_size(payload->file, ec);
  return ec || size > 0xFFFFFFFFull ? 0 : static_cast<DWORD>(size);
}

HGLOBAL LoadResource(HRSRC resource) {
  DWORD error = 0;
  if (!resource || sim::Fault("LoadResource", u"", &error)) return nullptr;
  auto* payload = reinterpret_cast<sim::Payload*>(resource);
  sim::Resources& r = sim::State();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (!payload->mapped) {
    // Mapped read-only for the life of the process, like the image's resource section.
    const int fd = ::open(payload->file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size <= 0) {
      ::close(fd);
      return nullptr;
    }
    void* data =
        ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (data == MAP_FAILED) return nullptr;
    payload->data = data;
    payload->size = static_cast<std::size_t>(st.st_size);
    payload->mapped = true;
  }
  return reinterpret_cast<HGLOBAL>(payload);
}

const void* LockResource(HGLOBAL data) {
  if (!data) return nullptr;
  return reinterpret_cast<sim::Payload*>(data)->data;
}

}  // namespace os
