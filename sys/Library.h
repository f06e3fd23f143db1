#pragma once
// A system library loaded at run time from the system's folder and freed with its owner
// (LoadLibraryExA and FreeLibrary). Windows only: what POSIX needs of the system is
// linked.
#include <string>

namespace sys {

class LoadedLibrary {
 public:
  explicit LoadedLibrary(const std::string &name);
  ~LoadedLibrary();
  LoadedLibrary(const LoadedLibrary &) = delete;
  LoadedLibrary &operator=(const LoadedLibrary &) = delete;

  bool Loaded() const { return library_ != nullptr; }
  // The entry point of that name; null when the library has none (or is not loaded).
  void *Symbol(const char *name) const;

 private:
  void *library_ = nullptr;
};

}  // namespace sys
