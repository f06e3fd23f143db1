#pragma once
// An update directory on the nginx of the "nginx" CTest fixture, for tests of whole
// updates: each ReleaseServer is a fresh directory under the document root, holding the
// manifest as "update.ini.rar" and every file as its name + ".rar", as the updater asks.

#include "tests/support/NginxFixture.h"

#include <string>

namespace testing_support {

class ReleaseServer {
 public:
  // Creates the directory; Ready() is false when the test runs without the fixture.
  ReleaseServer();
  ~ReleaseServer();

  bool Ready() const { return ready_; }
  const std::string &Host() const { return nginx_.address; }
  // The base URL of the directory, ending in "/".
  std::string Path() const;

  void SetManifest(const std::string &text);
  // Publishes content under a manifest name ("plugins/a.dll").
  void Publish(const std::string &name, const std::string &content);
  void Withdraw(const std::string &name);

 private:
  std::string LocalPath(const std::string &name) const;

  NginxServer nginx_;
  bool ready_ = false;
  std::string directory_;  // name of the directory under the document root
};

}  // namespace testing_support
