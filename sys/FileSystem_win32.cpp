#include <windows.h>

#include <algorithm>
#include <atomic>

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

namespace {

// A file opened for writing, created anew: CREATE_ALWAYS, shared for reading and writing.
UniqueHandle CreateForWriting(const std::string &path, DWORD creation = CREATE_ALWAYS) {
  return UniqueHandle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteAll(const UniqueHandle &file, const char *bytes, std::size_t n) {
  while (n > 0) {
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes, DWORD(std::min<std::size_t>(n, 1u << 30)), &written, nullptr) || written == 0) {
      return false;
    }
    bytes += written;
    n -= written;
  }
  return true;
}

}  // namespace

bool ReadToEnd(const UniqueHandle &file, std::string &content) {
  char buffer[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr)) return false;
    if (n == 0) return true;
    content.append(buffer, n);
  }
}

bool ReadWholeFile(const std::string &path, std::string &content, std::size_t spare) {
  content.clear();
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file.Valid() || !GetFileSizeEx(file.Get(), &size)) return false;
  content.reserve(std::size_t(size.QuadPart) + spare);
  return ReadToEnd(file, content);
}

bool CreateNewFile(const std::string &path, const std::string &content, bool) {
  // A new file takes the access rules of its folder, which is what Windows has for
  // "readable by its owner only".
  UniqueHandle file = CreateForWriting(path, CREATE_NEW);
  if (!file.Valid()) return false;
  if (WriteAll(file, content.data(), content.size()) && file.Close()) return true;
  const DWORD reason = GetLastError();
  file.Close();
  DeleteFileA(path.c_str());
  SetLastError(reason);
  return false;
}

bool WriteWholeFile(const std::string &path, const std::string &content) {
  UniqueHandle file = CreateForWriting(path);
  return file.Valid() && WriteAll(file, content.data(), content.size()) && file.Close();
}

bool ReplaceWholeFile(const std::string &path, const std::string &content) {
  static std::atomic<unsigned> counter{0};
  const std::string dir = ExtractFileDir(path);
  const std::string name = path.substr(dir.empty() ? 0 : dir.size() + 1);
  const std::string dirPrefix = dir.empty() ? std::string() : dir + kPathSep;
  std::string temp;
  UniqueHandle file;
  for (int attempt = 0; attempt < 100 && !file.Valid(); ++attempt) {
    temp = dirPrefix + "." + name + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(counter++) +
           ".tmp";
    file = CreateForWriting(temp, CREATE_NEW);
    if (!file.Valid() && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (!file.Valid()) return false;
  bool ok = WriteAll(file, content.data(), content.size()) && FlushFileBuffers(file.Get());
  ok = file.Close() && ok;
  if (!ok || !MoveFileReplacing(temp, path)) {
    const DWORD reason = GetLastError();
    DeleteFileA(temp.c_str());
    SetLastError(reason);
    return false;
  }
  return true;
}

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Create(const std::string &path) {
  file_ = CreateForWriting(path);
  return IsOpen();
}

bool OutputFile::IsOpen() const { return file_.Valid(); }

bool OutputFile::Write(const void *data, std::size_t n) {
  return IsOpen() && WriteAll(file_, static_cast<const char *>(data), n);
}

void OutputFile::Close() { file_.Close(); }

}  // namespace sys
