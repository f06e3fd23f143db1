#include "tests/support/TestDir.h"

#include "sys/FileSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {

namespace fs = std::filesystem;

TestDir::TestDir() {
  static std::atomic<int> counter{0};
  const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
  for (char &c : name) {
    if (c == '/' || c == '\\') c = '_';
  }
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  fs::path dir =
      fs::temp_directory_path() / ("quillet-" + name + "-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(dir);
  path_ = sys::WithTrailingSeparator(dir.string());
}

TestDir::~TestDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TestDir::operator/(const std::string &relative) const { return path_ + sys::ToLocalPath(relative); }

std::string ReadWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteWholeFile(const std::string &path, const std::string &content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace testing_support
