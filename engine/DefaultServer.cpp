#include "engine/DefaultServer.h"

std::string DefaultUpdateHost() { return QUILLET_UPDATE_HOST; }

std::string UpdatePathForHost(const std::string &Host) { return "http://" + Host + "/k9tz/Quillet/"; }
