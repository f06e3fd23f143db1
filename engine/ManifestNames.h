#pragma once
#include "core/StringList.h"

#include <string>

// A manifest names files relative to the program directory. A name that could reach
// outside it, or that Windows cannot store, must never be fetched or installed: such an
// entry is empty, absolute ("/", "\", a drive "C:"), has a ".." segment, or holds a
// control character or one of <>:"|?*.
bool IsSafeManifestName(const std::string &Name);

// Removes every unsafe name from List, keeping the order of the others.
void DropUnsafeNames(TStringList &List);
