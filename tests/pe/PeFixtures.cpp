#include "tests/pe/PeFixtures.h"

#include "sys/Platform.h"
#include "sys/uGlobal.h"

namespace testing_support {

std::string PeFixture(const std::string &name) {
  return ExecutableDirectory() + "pe-fixtures" + sys::kPathSepText + name;
}

}  // namespace testing_support
