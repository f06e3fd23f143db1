#pragma once
#include <string>

// Ends the first running process, in the system's listing order, whose executable file
// name equals ExeName: whole names byte for byte, with only the ASCII letters folded
// (sys::SameTextIgnoringAsciiCase), so a name with a directory part never equals a bare
// file name. Returns true only when ending it succeeded. A
// first match that cannot be opened or ended gives false, and no later process of the same
// name is tried. The call does not wait for the process to disappear.
bool KillProcess(const std::string &ExeName);

