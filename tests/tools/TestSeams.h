#pragma once
// Environment variables through which end-to-end tests steer quillet-update. Unset, they
// change nothing; they exist so that a test can make a time-out last a second and stop
// the installation at a chosen point to kill it or to change its surroundings.
//   QUILLET_TEST_TIME_LIMITS="connect,send,receive,header"
//       time limits in milliseconds for every transfer (THttpFileDown::TimeLimits)
//   QUILLET_TEST_PAUSE_INSTALL=<point>
//       the first time the installation reaches <point> (see TInstallation::SetStepHook),
//       the tool creates "<cache>/paused-<point>" and waits until the test removes it.

#include <string>

#include "engine/SoftUpdater.h"

// Reads "connect,send,receive,header"; false unless it holds four positive integers.
bool ParseTimeLimits(const std::string &Text, THttpFileDown::TimeLimits &Limits);

// Applies the variables that are set to the updater. Raises sys::Error for a malformed
// value, so that a mistyped test fails instead of running with production limits.
void ApplyTestSeams(TSoftUpdater &Updater);
