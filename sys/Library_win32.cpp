#include <windows.h>

#include "sys/Library.h"

namespace sys {

// From the system's folder only: a library of that name beside the program (planted in a
// downloads folder, say) must never run inside it.
LoadedLibrary::LoadedLibrary(const std::string &name)
    : library_(LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}

LoadedLibrary::~LoadedLibrary() {
  if (library_) FreeLibrary(static_cast<HMODULE>(library_));
}

void *LoadedLibrary::Symbol(const char *name) const {
  return library_ ? reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library_), name)) : nullptr;
}

}  // namespace sys
