#pragma once
#include <string>

namespace testing_support {

// A fresh, empty directory for one test, removed with everything in it at the end. Its
// path ends with the platform separator.
class TestDir {
 public:
  TestDir();
  ~TestDir();
  TestDir(const TestDir &) = delete;
  TestDir &operator=(const TestDir &) = delete;

  const std::string &path() const { return path_; }
  // path() + relative, with "/" in relative turned into the platform separator.
  std::string operator/(const std::string &relative) const;

 private:
  std::string path_;
};

// Whole-file helpers for checking what the code under test wrote.
std::string ReadWholeFile(const std::string &path);
void WriteWholeFile(const std::string &path, const std::string &content);

}  // namespace testing_support
