#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "sys/FileSystem.h"

namespace sys {

bool CreateOneDirectory(const std::string &dir) { return mkdir(dir.c_str(), 0755) == 0; }

bool FileExists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// Writes n bytes, looping over partial writes.
bool WriteAll(int fd, const char *data, std::size_t n) {
  while (n > 0) {
    ssize_t written = write(fd, data, n);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    n -= std::size_t(written);
  }
  return true;
}

// Copies the rest of `in` to `out`: in the kernel where it can (copy_file_range), by
// reading and writing where it cannot.
bool CopyContents(int in, int out) {
  for (;;) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    if (n == 0) return true;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
    break;
  }
  char buffer[65536];
  for (;;) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (!WriteAll(out, buffer, std::size_t(n))) return false;
  }
}

}  // namespace

bool CopyFileReplacing(const std::string &src, const std::string &dest) {
  int in = open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(in);
    return false;
  }
  int out = open(dest.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) {
    close(in);
    return false;
  }
  bool ok = CopyContents(in, out);
  ok = close(out) == 0 && ok;
  close(in);
  return ok;
}

bool RemoveFile(const std::string &path) { return unlink(path.c_str()) == 0; }

bool RemoveEmptyDirectory(const std::string &dir) { return rmdir(dir.c_str()) == 0; }

bool MoveFileReplacing(const std::string &from, const std::string &to) { return rename(from.c_str(), to.c_str()) == 0; }

bool ListDirectory(const std::string &dir, std::vector<DirectoryEntry> &entries) {
  entries.clear();
  const std::unique_ptr<DIR, int (*)(DIR *)> stream(opendir(dir.c_str()), closedir);
  if (!stream) return false;
  const std::string prefix = WithTrailingSeparator(dir);
  while (const dirent *entry = readdir(stream.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = prefix + name;
    struct stat st, link;
    DirectoryEntry::Kind type = DirectoryEntry::Kind::Other;
    if (stat(path.c_str(), &st) == 0 && lstat(path.c_str(), &link) == 0) {
      if (S_ISREG(st.st_mode)) type = DirectoryEntry::Kind::File;
      if (S_ISDIR(st.st_mode) && !S_ISLNK(link.st_mode)) type = DirectoryEntry::Kind::Directory;
    }
    entries.push_back({name, type});
  }
  return true;
}

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Create(const std::string &path) {
  Close();
  handle_ = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return handle_ >= 0;
}

bool OutputFile::IsOpen() const { return handle_ >= 0; }

bool OutputFile::Write(const void *data, std::size_t n) {
  return IsOpen() && WriteAll(handle_, static_cast<const char *>(data), n);
}

void OutputFile::Close() {
  if (handle_ >= 0) close(handle_);
  handle_ = -1;
}

}  // namespace sys
