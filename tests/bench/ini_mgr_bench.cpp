// Parses a generated configuration of about 20 MB in each of the six encodings and prints the
// engine's throughput next to a baseline that only reads the file and splits its lines.
//
//   ini_mgr_bench [MEGABYTES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/IniMgr.h"

namespace {

using Clock = std::chrono::steady_clock;

// ASCII text of sections with device-ID-like entries, about `bytes` long.
std::u16string GenerateText(std::size_t bytes) {
  std::u16string text;
  text.reserve(bytes + 256);
  for (int section = 0; text.size() < bytes; ++section) {
    const std::string header = "[Section" + std::to_string(section) + "]\r\n";
    text.append(header.begin(), header.end());
    for (int key = 0; key < 200 && text.size() < bytes; ++key) {
      const std::string line = std::to_string(key) +
                               "=USB\\VID_B7D2&PID_72XX&REV_0100&MI_00,"
                               "BjKOrxXxh2EYR79hpPdhrgnzhnRhpe6aGOVk4ONh5qOKt9tLFo/aRg==\r\n";
      text.append(line.begin(), line.end());
    }
  }
  return text;
}

std::string Encode(const std::u16string& text, int encoding) {
  std::string out;
  auto unit = [&](std::uint32_t v, int width, bool big) {
    for (int i = 0; i < width; ++i) {
      const int shift = big ? 8 * (width - 1 - i) : 8 * i;
      out.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
  };
  switch (encoding) {
    case REGINI_MGR::ENCODING_UTF8: out = "\xEF\xBB\xBF"; break;
    case REGINI_MGR::ENCODING_UTF16LE: out = "\xFF\xFE"; break;
    case REGINI_MGR::ENCODING_UTF16BE: out = "\xFE\xFF"; break;
    case REGINI_MGR::ENCODING_UTF32LE: out = std::string("\xFF\xFE\0\0", 4); break;
    case REGINI_MGR::ENCODING_UTF32BE: out = std::string("\0\0\xFE\xFF", 4); break;
    default: break;
  }
  const int width = encoding <= REGINI_MGR::ENCODING_UTF8 ? 1 : encoding <= 3 ? 2 : 4;
  const bool big =
      encoding == REGINI_MGR::ENCODING_UTF16BE || encoding == REGINI_MGR::ENCODING_UTF32BE;
  out.reserve(out.size() + text.size() * width);
  for (char16_t c : text) unit(c, width, big);
  return out;
}

// Baseline: read the file in one piece and cut it into lines, nothing else.
std::size_t ReadAndSplit(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t lf = bytes.find('\n', start);
    if (lf == std::string::npos) lf = bytes.size();
    lines.emplace_back(bytes, start, lf - start);
    start = lf + 1;
  }
  return lines.size();
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 20;
  const std::u16string text = GenerateText(megabytes * 1024 * 1024);
  const char* names[] = {"ANSI", "UTF-8", "UTF-16LE", "UTF-16BE", "UTF-32LE", "UTF-32BE"};
  const auto folder = std::filesystem::temp_directory_path() / "zkt-ini-bench";
  std::filesystem::create_directories(folder);
  std::printf("%-9s %9s %10s %10s %10s %10s %7s\n", "encoding", "file MB", "engine s", "MB/s",
              "baseline s", "MB/s", "ratio");
  for (int encoding = 0; encoding < 6; ++encoding) {
    const std::string bytes = Encode(text, encoding);
    const auto file = folder / (std::string("bench-") + std::to_string(encoding) + ".ini");
    std::ofstream(file, std::ios::binary) << bytes;
    const double mb = bytes.size() / (1024.0 * 1024.0);

    auto t0 = Clock::now();
    const std::size_t lines = ReadAndSplit(file);
    const double baseline = Seconds(Clock::now() - t0);

    // The engine over the same bytes, read from the host file as LoadFile reads them.
    t0 = Clock::now();
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    REGINI_MGR::CIniMgr mgr;
    const int result = mgr.LoadBytes(data.data(), data.size());
    const double engine = Seconds(Clock::now() - t0);

    std::printf(
        "%-9s %9.1f %10.3f %10.1f %10.3f %10.1f %7.2f   (code %d, %zu sections, %zu lines)\n",
        names[encoding], mb, engine, mb / engine, baseline, mb / baseline, engine / baseline,
        result, mgr.m_Sections.size(), lines);
    std::filesystem::remove(file);
  }
  std::filesystem::remove(folder);
  return 0;
}
