#pragma once
#include <string>

// A message text from a language file with its one argument put in. Such texts come
// from files that anyone can edit, so they are never used as printf formats: the first
// "%s" is replaced by Argument, "%%" gives "%", and every other "%" sequence (a second
// "%s", "%d", "%n", a "%" at the end) stands as written.
std::string FormatMessageText(const std::string &Format, const std::string &Argument);
