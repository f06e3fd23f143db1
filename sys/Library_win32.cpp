#include <windows.h>

#include "sys/Library.h"

namespace sys {

LoadedLibrary::LoadedLibrary(const std::string &name) : library_(LoadLibraryA(name.c_str())) {}

LoadedLibrary::~LoadedLibrary() {
  if (library_) FreeLibrary(static_cast<HMODULE>(library_));
}

void *LoadedLibrary::Symbol(const char *name) const {
  return library_ ? reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library_), name)) : nullptr;
}

}  // namespace sys
