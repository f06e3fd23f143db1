#include "tests/support/ReleaseServer.h"

#include "sys/FileSystem.h"
#include "tests/support/TestDir.h"

#include <atomic>
#include <chrono>
#include <filesystem>

namespace testing_support {

ReleaseServer::ReleaseServer() {
  static std::atomic<int> counter{0};
  if (!FindNginxServer(&nginx_)) return;
  directory_ = "releases-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
               std::to_string(counter++);
  ready_ = sys::ForceDirectories(nginx_.root + directory_);
}

ReleaseServer::~ReleaseServer() {
  if (!ready_) return;
  std::error_code ignored;
  std::filesystem::remove_all(nginx_.root + directory_, ignored);
}

std::string ReleaseServer::Path() const { return "http://" + nginx_.address + "/" + directory_ + "/"; }

std::string ReleaseServer::LocalPath(const std::string &name) const {
  return nginx_.root + directory_ + sys::kPathSep + sys::ToLocalPath(name) + ".rar";
}

void ReleaseServer::SetManifest(const std::string &text) { WriteWholeFile(LocalPath("update.ini"), text); }

void ReleaseServer::Publish(const std::string &name, const std::string &content) {
  WriteWholeFile(LocalPath(name), content);
}

void ReleaseServer::Withdraw(const std::string &name) { sys::RemoveFile(LocalPath(name)); }

}  // namespace testing_support
