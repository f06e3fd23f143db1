#include "sys/FileSystem.h"

#include <windows.h>

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
