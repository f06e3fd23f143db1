#pragma once
#include <string>

namespace testing_support {

// Path of a Windows program built for the tests from tests/pe/fixtures ("versioned.exe").
std::string PeFixture(const std::string &name);

}  // namespace testing_support
