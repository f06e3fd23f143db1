#pragma once
// The nginx that the CTest fixture "nginx" starts (tests/support/nginx-fixture.sh) for
// tests that need a real HTTP server. The fixture names its directory in the environment
// variable QUILLET_NGINX_DIR; the directory holds the file "address" and the document root
// "root", which tests fill with the files they fetch.

#include <string>

namespace testing_support {

struct NginxServer {
  std::string address;  // listens on address:80
  std::string root;     // the document root as a local path, ending in the separator
};

// The fixture's server; false when the test was started without the fixture.
bool FindNginxServer(NginxServer *server);

// A path of the host system as this program sees it: unchanged natively, on the Z:
// drive with "\" separators for a Windows program running under Wine.
std::string HostPathToLocal(const std::string &hostPath);

}  // namespace testing_support
