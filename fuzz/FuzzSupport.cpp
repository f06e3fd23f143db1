#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace fuzz {

namespace fs = std::filesystem;

std::vector<std::string> SplitAtZeros(const std::uint8_t *data, std::size_t size, std::size_t maxParts) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && parts.size() < maxParts) {
      parts.emplace_back();
    } else {
      parts.back() += char(data[i]);
    }
  }
  return parts;
}

ScratchFile::ScratchFile(const std::string &suffix) {
  // A random name: fuzzers and replays of the same target may run side by side.
  std::random_device random;
  path_ = (fs::temp_directory_path() / ("quillet-fuzz-" + std::to_string(random()) + std::to_string(random()) + suffix))
              .string();
}

ScratchFile::~ScratchFile() {
  std::error_code ignored;
  fs::remove(path_, ignored);
}

void ScratchFile::Write(const std::string &bytes) const {
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  out.close();
  Require(bool(out), "the scratch file can be written");
}

void Require(bool condition, const char *what) {
  if (condition) return;
  std::fprintf(stderr, "violated: %s\n", what);
  std::abort();
}

}  // namespace fuzz
