// The test build of quillet-update: the shipped tool's run with the test seams of
// TestSeams.h, which the fault tests steer through the environment.
#include "tests/tools/TestSeams.h"
#include "tools/UpdateTool.h"

int main(int argc, char **argv) { return RunUpdateTool(argc, argv, ApplyTestSeams); }
