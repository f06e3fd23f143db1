#pragma once
#include "sys/Platform.h"

#include <cstddef>
#include <string>

namespace sys {

bool FileExists(const std::string &path);
bool DirectoryExists(const std::string &path);
// Creates dir and every missing parent; true when the directory exists afterwards.
bool ForceDirectories(const std::string &dir);
// Copies src over dest, replacing an existing dest (CopyFileA with overwrite).
bool CopyFileReplacing(const std::string &src, const std::string &dest);
bool RemoveFile(const std::string &path);

// The directory part of path: everything before its last path separator ("" if none).
// On Windows both "\" and "/" separate, as they do for the system.
std::string ExtractFileDir(const std::string &path);
// dir with a platform separator at its end (an empty dir stays empty).
std::string WithTrailingSeparator(const std::string &dir);
// A manifest name ("plugins/a.dll") as a local relative path with the platform separator.
std::string ToLocalPath(const std::string &manifestName);

// A file opened for writing, created anew (an existing file is replaced by an empty
// one), shared for reading and writing: CreateFileA with CREATE_ALWAYS on Windows.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  bool Create(const std::string &path);
  bool IsOpen() const;
  // Writes all n bytes; false when the system refused any of them.
  bool Write(const void *data, std::size_t n);
  void Close();

 private:
  NativeHandle handle_ = InvalidNativeHandle;
};

}  // namespace sys
