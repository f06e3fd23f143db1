// quillet-update: the updater without a window, for terminals and scripts.
#include "tools/UpdateTool.h"

int main(int argc, char **argv) { return RunUpdateTool(argc, argv, nullptr); }
