#pragma once
#include <string>

// The update server built into the program: each executable is built with its own
// (cmake: quillet_builtin_settings), the shipped ones with the build's QUILLET_UPDATE_HOST.
std::string DefaultUpdateHost();

// The base URL of the update directory on host: "http://" + host + "/k9tz/Quillet/".
std::string UpdatePathForHost(const std::string &Host);
