#include "tests/support/NginxFixture.h"

#include <cstdlib>

#include "sys/FileSystem.h"
#include "sys/Platform.h"
#include "tests/support/TestDir.h"

namespace testing_support {

std::string HostPathToLocal(const std::string &hostPath) {
  if (!sys::kIsWindows) return hostPath;
  std::string local = "Z:" + hostPath;
  for (char &c : local) {
    if (c == '/') c = '\\';
  }
  return local;
}

bool FindNginxServer(NginxServer *server) {
  const char *dir = std::getenv("QUILLET_NGINX_DIR");
  if (!dir || !*dir) return false;
  std::string local = sys::WithTrailingSeparator(HostPathToLocal(dir));
  server->address = ReadWholeFile(local + "address");
  server->root = local + "root" + sys::kPathSepText;
  return !server->address.empty();
}

}  // namespace testing_support
