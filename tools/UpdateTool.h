#pragma once
// quillet-update's whole run: the command line, the check and the update, with the exit
// codes of the README (0 current or updated, 100 a newer release exists from "check", 1
// failed, 2 bad usage).
#include <functional>

#include "engine/SoftUpdater.h"

// Prepare, when given, adjusts the engine once it is set up and before the check.
int RunUpdateTool(int argc, char **argv, const std::function<void(TSoftUpdater &)> &Prepare);
