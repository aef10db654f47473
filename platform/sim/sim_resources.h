// The simulated program's embedded resources: the payload manifest that the Windows build
// compiles into its resource script, read here instead. Files are mapped, never copied.
#pragma once

#include <filesystem>
#include <string>

namespace sim {

// Chooses the manifest (default: the bundled payload/payloads.ini). Returns false with a
// one-line reason when it cannot be read or has a malformed line.
bool SetPayloadManifest(const std::filesystem::path& manifest, std::string* error);
std::filesystem::path PayloadManifest();

}  // namespace sim
