#pragma once
#include <string>

// Ends the first running process, in the system's listing order, whose executable file
// name equals ExeName (see SameExeName). Returns true only when ending it succeeded. A
// first match that cannot be opened or ended gives false, and no later process of the same
// name is tried. The call does not wait for the process to disappear.
bool KillProcess(const std::string &ExeName);

// ExeName and a process's executable file name compared as KillProcess does: whole texts
// byte for byte, with only the ASCII letters a to z taken as A to Z. Nothing is stripped,
// so a name with a directory part never equals a bare file name.
bool SameExeName(const std::string &ExeName, const std::string &ExeFile);
