#include <windows.h>

#include "sys/FileSystem.h"

namespace sys {

bool CreateOneDirectory(const std::string &dir) { return CreateDirectoryA(dir.c_str(), nullptr) != 0; }

bool FileExists(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyFileReplacing(const std::string &src, const std::string &dest) {
  return CopyFileA(src.c_str(), dest.c_str(), FALSE) != 0;
}

bool RemoveFile(const std::string &path) { return DeleteFileA(path.c_str()) != 0; }

bool RemoveEmptyDirectory(const std::string &dir) { return RemoveDirectoryA(dir.c_str()) != 0; }

bool MoveFileReplacing(const std::string &from, const std::string &to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

namespace {

// Owns a FindFirstFileA search.
struct FindSearch {
  HANDLE handle;
  ~FindSearch() {
    if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
  }
};

}  // namespace

bool ListDirectory(const std::string &dir, std::vector<DirectoryEntry> &entries) {
  entries.clear();
  WIN32_FIND_DATAA found;
  const FindSearch search{FindFirstFileA((WithTrailingSeparator(dir) + "*").c_str(), &found)};
  if (search.handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND && DirectoryExists(dir);
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    DirectoryEntry::Kind type = DirectoryEntry::Kind::File;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      const bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      type = isLink ? DirectoryEntry::Kind::Other : DirectoryEntry::Kind::Directory;
    }
    entries.push_back({name, type});
  } while (FindNextFileA(search.handle, &found));
  return true;
}

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Create(const std::string &path) {
  Close();
  handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return IsOpen();
}

bool OutputFile::IsOpen() const { return handle_ != InvalidNativeHandle; }

bool OutputFile::Write(const void *data, std::size_t n) {
  const char *bytes = static_cast<const char *>(data);
  while (IsOpen() && n > 0) {
    DWORD written = 0;
    if (!WriteFile(handle_, bytes, DWORD(n), &written, nullptr) || written == 0) return false;
    bytes += written;
    n -= written;
  }
  return IsOpen();
}

void OutputFile::Close() {
  if (IsOpen()) CloseHandle(handle_);
  handle_ = InvalidNativeHandle;
}

}  // namespace sys
