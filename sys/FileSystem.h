#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "sys/Handle.h"
#include "sys/Platform.h"

namespace sys {

bool FileExists(const std::string &path);
bool DirectoryExists(const std::string &path);
// Creates dir and every missing parent; true when the directory exists afterwards.
bool ForceDirectories(const std::string &dir);
// Copies src over dest, replacing an existing dest (CopyFileA with overwrite).
bool CopyFileReplacing(const std::string &src, const std::string &dest);
bool RemoveFile(const std::string &path);
// Removes dir when it is empty; false otherwise.
bool RemoveEmptyDirectory(const std::string &dir);
// Renames from to `to`, replacing an existing `to` in one step, so that a reader of `to`
// opens either the old file or the new one, never a part-written one. Both must lie on
// the same volume (rename on POSIX, MoveFileExA with MOVEFILE_REPLACE_EXISTING on Windows).
bool MoveFileReplacing(const std::string &from, const std::string &to);

struct DirectoryEntry {
  enum class Kind { File, Directory, Other };
  std::string Name;  // without the directory
  // A link to a file counts as a file; a link to a directory (or a junction) is Other, so
  // that a walk of the tree cannot loop.
  Kind Type;
};
// The entries of dir in no particular order, without "." and "..". False when dir cannot
// be read.
bool ListDirectory(const std::string &dir, std::vector<DirectoryEntry> &entries);

// The directory part of path: everything before its last path separator ("" if none).
// On Windows both "\" and "/" separate, as they do for the system.
std::string ExtractFileDir(const std::string &path);
// dir with a platform separator at its end (an empty dir stays empty).
std::string WithTrailingSeparator(const std::string &dir);
// A manifest name ("plugins/a.dll") as a local relative path with the platform separator.
std::string ToLocalPath(const std::string &manifestName);

// The whole file at path in content, with room reserved for `spare` bytes more (for a
// caller that edits it); false when it cannot be opened or read, or is no regular file.
bool ReadWholeFile(const std::string &path, std::string &content, std::size_t spare = 0);
// The rest of an open file, from its current position to its end, appended to content.
bool ReadToEnd(const UniqueHandle &file, std::string &content);
// Creates path anew (or empties it) and writes content; false when any part was refused.
bool WriteWholeFile(const std::string &path, const std::string &content);
// Creates path, which must not exist yet, with content; with OwnerOnly, readable and
// writable by its owner alone where the system lets files say so (POSIX mode 0600).
bool CreateNewFile(const std::string &path, const std::string &content, bool OwnerOnly);
// Puts content in place of path in one step: written and flushed to a new file in the
// same directory, which then takes path's name. A reader opens the old file or the new
// one, never a part of either, and a failure leaves the old one untouched. On POSIX the
// new file keeps the old one's permissions and, where the system allows, its owner.
bool ReplaceWholeFile(const std::string &path, const std::string &content);

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
  UniqueHandle file_;
};

}  // namespace sys
