// Fuzz target: a hand-written machine.ini for zkt-setup-sim. Opening the machine either works
// or gives a one-line reason; either way nothing crashes and the reason names no more than a
// line.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/sim/sim_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("zkt-fuzz-machine-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "machine.ini", std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  std::string error;
  auto& machine = sim::Machine::Current();
  if (!machine.Open(folder, &error)) {
    if (error.empty() || error.find('\n') != std::string::npos) __builtin_trap();
  } else {
    // A machine that opened is a usable description: its facts are in range.
    if (machine.ScreenWidth() <= 0 || machine.ScreenHeight() <= 0) __builtin_trap();
    std::u16string value;
    machine.Environment(u"APPDATA", &value);
  }
  // The next Open starts from the description alone; no Reset() here, which would make the
  // next Current() open a whole default machine first.
  std::filesystem::remove(folder / "registry.reg");
  return 0;
}
