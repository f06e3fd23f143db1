#pragma once
#include <string>

// The program directory: where the updater's executable lives, with a trailing
// separator. It is fixed once at program start and read everywhere else.
extern std::string AppDir;

// The directory of the running executable, cut after its last separator
// (GetModuleFileNameA on Windows, /proc/self/exe on POSIX).
std::string ExecutableDirectory();

// path cut after its last separator ("\" or ":" on Windows, "/" on POSIX), so that
// the result ends with the separator; "" when path has none.
std::string CutAfterLastSeparator(const std::string &path);
