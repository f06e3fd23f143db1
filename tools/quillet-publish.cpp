// quillet-publish: turns a release folder into what the update server serves.
#include <cstdio>
#include <iostream>

#include "tools/CommandLine.h"
#include "tools/PublishCommand.h"
#include "tools/ReleaseVersion.h"

namespace {

enum ExitCode { Failure = 1, BadUsage = 2 };

}  // namespace

int main(int argc, char **argv) {
  PublishCommandLine command;
  if (!ParsePublishCommandLine(std::vector<std::string>(argv + 1, argv + argc), command)) {
    std::fputs(kPublishUsage, stderr);
    return BadUsage;
  }
  try {
    return RunPublishCommand(command, ReadFileVersion, std::cout, std::cerr);
  } catch (const std::exception &error) {
    std::cerr << "quillet-publish: failed: " << error.what() << "\n";
    return Failure;
  }
}
