// Extracting a 50 MB payload through WritePayloadFile, next to copying the same bytes with cp,
// and the memory the process holds meanwhile. Prints figures; not a test.
//
// The payload is the mapped file itself (as the resource section of the image is on Windows),
// so its pages show as file-backed memory; a second copy would show as anonymous memory.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/PayloadResource.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_resources.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(in, line))
    if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
  return -1;
}

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

}  // namespace

int main() {
  const fs::path work = fs::temp_directory_path() / "zkt-payload-bench";
  fs::remove_all(work);
  fs::create_directories(work / "payloads");
  const std::size_t size = 50u * 1024 * 1024;
  {
    std::ofstream out(work / "payloads" / "patch.msu", std::ios::binary);
    std::string block(1 << 20, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);
    for (std::size_t written = 0; written < size; written += block.size()) out << block;
  }
  std::ofstream(work / "payloads" / "payloads.ini") << "WINDOWPATCH 110 patch.msu\n";

  std::string error;
  if (!sim::Machine::Current().Open(work / "machine", &error) ||
      !sim::SetPayloadManifest(work / "payloads" / "payloads.ini", &error)) {
    std::fprintf(stderr, "set-up failed: %s\n", error.c_str());
    return 1;
  }
  const long anonBefore = StatusKb("RssAnon");

  // Samples the anonymous memory while the write runs, to catch a transient copy.
  std::atomic<bool> done{false};
  std::atomic<long> anonPeak{anonBefore};
  std::thread sampler([&] {
    while (!done) {
      const long now = StatusKb("RssAnon");
      if (now > anonPeak) anonPeak = now;
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });

  const auto start = Clock::now();
  std::uint32_t bytes = 0;
  const void* data = LoadPayloadResource(110, u"WindowPatch", bytes);
  const int result = data ? WritePayloadFile(u"C:\\patch.msu", data, bytes) : -1;
  const double extract = Seconds(start);
  done = true;
  sampler.join();

  const std::string cp = "cp '" + (work / "payloads" / "patch.msu").string() + "' '" +
                         (work / "cp-copy.msu").string() + "'";
  const auto cpStart = Clock::now();
  const int cpResult = std::system(cp.c_str());
  const double copy = Seconds(cpStart);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double mb = static_cast<double>(size) / (1024 * 1024);
  std::printf("payload: %.0f MB, WritePayloadFile result %d, cp result %d\n", mb, result, cpResult);
  std::printf("LoadPayloadResource + WritePayloadFile: %.3f s (%.0f MB/s)\n", extract,
              mb / extract);
  std::printf("cp of the same file:                    %.3f s (%.0f MB/s)\n", copy, mb / copy);
  std::printf("anonymous memory: %ld kB before, %ld kB peak during the write (+%ld kB)\n",
              anonBefore, anonPeak.load(), anonPeak.load() - anonBefore);
  std::printf("peak resident set (file-backed mapping included): %ld kB\n", usage.ru_maxrss);
  fs::remove_all(work);
  return result == 0 ? 0 : 1;
}
