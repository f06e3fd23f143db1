#pragma once
// What the fuzz targets share: the entry point libFuzzer calls, cutting one input into
// parts, a scratch file for readers that take a path, and the check that ends the run.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace fuzz {

// The input cut at its first maxParts - 1 zero bytes; the last part keeps any later ones.
// An input without zero bytes is one part.
std::vector<std::string> SplitAtZeros(const std::uint8_t *data, std::size_t size, std::size_t maxParts);

// One file in the temporary directory, unique to this process, removed on destruction.
class ScratchFile {
 public:
  // suffix ends the name (".ini", ".exe").
  explicit ScratchFile(const std::string &suffix);
  ~ScratchFile();
  ScratchFile(const ScratchFile &) = delete;
  ScratchFile &operator=(const ScratchFile &) = delete;

  const std::string &Path() const { return path_; }
  // Replaces the file's bytes; a failure is a broken machine, not a finding, and ends the run.
  void Write(const std::string &bytes) const;

 private:
  std::string path_;
};

// Ends the run with what was violated when condition is false: the fuzzer keeps the input
// that led here as a crash.
void Require(bool condition, const char *what);

}  // namespace fuzz
