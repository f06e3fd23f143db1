#pragma once
#include <string>

// Text in UTF-8 (as built into the program's sources) converted to the system code page,
// the code page of all text the program shows: WideCharToMultiByte with CP_ACP on
// Windows, where a character the code page lacks becomes its default character ("?").
// On POSIX the system code page is the locale's, UTF-8 on every system the program runs
// on, so the text is returned unchanged.
std::string Utf8ToSystemCodePage(const std::string &Utf8);
