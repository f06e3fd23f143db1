#include "engine/UpdateServer.h"

std::string UpdatePathForHost(const std::string &Host) { return "http://" + Host + "/k9tz/Quillet/"; }
