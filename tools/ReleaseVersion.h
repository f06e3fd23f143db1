#pragma once
#include <string>

// The "FileVersion" of the program file at path, read as the updater reads the installed
// version; empty when the file or its version resource is missing.
std::string ReadFileVersion(const std::string &path);
