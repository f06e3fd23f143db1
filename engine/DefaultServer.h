#pragma once
#include <string>

// The update server built into the program (the build's QUILLET_UPDATE_HOST).
std::string DefaultUpdateHost();

// The base URL of the update directory on host: "http://" + host + "/k9tz/Quillet/".
std::string UpdatePathForHost(const std::string &Host);
