#pragma once
#include <ostream>

#include "tools/CommandLine.h"
#include "tools/Publisher.h"

// Runs one publication as quillet-publish does: plans it, prints the refusal or the
// summary (version, files added or changed, bytes), and with DryRun stops before
// writing. Returns the exit code: 0 published (or, dry, would publish), 1 refused or
// failed.
int RunPublishCommand(const PublishCommandLine &command, const Publisher::VersionReader &readVersion, std::ostream &out,
                      std::ostream &err);
