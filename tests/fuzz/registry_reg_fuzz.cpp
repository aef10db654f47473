// Fuzz target: a hand-written registry.reg. A file the reader takes must save and load back to
// the same registry (keys, classes, values byte for byte); a file it refuses must leave the
// registry as it was, with a one-line reason.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("zkt-fuzz-reg-" + std::to_string(getpid()));
  static const bool made = std::filesystem::create_directories(folder) || true;
  (void)made;
  const auto input = folder / "in.reg";
  const auto saved = folder / "saved.reg";
  std::ofstream(input, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  sim::Registry registry;
  std::string error;
  if (!registry.Load(input, &error)) {
    if (error.empty() || error.find('\n') != std::string::npos) __builtin_trap();  // one line
    sim::Registry empty;
    if (!registry.Equals(empty)) __builtin_trap();  // a refused file changes nothing
    return 0;
  }
  if (!registry.Save(saved, &error)) return 0;  // e.g. a key name with a line break
  sim::Registry again;
  if (!again.Load(saved, &error) || !again.Equals(registry)) __builtin_trap();
  return 0;
}
