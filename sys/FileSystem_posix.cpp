#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
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

// An open regular file for reading; invalid otherwise (a directory sets EISDIR).
UniqueHandle OpenRegularFile(const std::string &path, struct stat &st) {
  UniqueHandle file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.Valid() || fstat(file.Get(), &st) != 0) return UniqueHandle();
  if (!S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return UniqueHandle();
  }
  return file;
}

}  // namespace

bool CopyFileReplacing(const std::string &src, const std::string &dest) {
  struct stat st;
  UniqueHandle in = OpenRegularFile(src, st);
  if (!in.Valid()) return false;
  UniqueHandle out(open(dest.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777));
  if (!out.Valid()) return false;
  return CopyContents(in.Get(), out.Get()) && out.Close();
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

bool ReadToEnd(const UniqueHandle &file, std::string &content) {
  char buffer[65536];
  for (;;) {
    ssize_t n = read(file.Get(), buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.append(buffer, std::size_t(n));
  }
}

bool ReadWholeFile(const std::string &path, std::string &content, std::size_t spare) {
  content.clear();
  struct stat st;
  UniqueHandle file = OpenRegularFile(path, st);
  if (!file.Valid()) return false;
  content.reserve(std::size_t(st.st_size) + spare);
  return ReadToEnd(file, content);
}

bool CreateNewFile(const std::string &path, const std::string &content, bool OwnerOnly) {
  UniqueHandle file(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, OwnerOnly ? 0600 : 0644));
  if (!file.Valid()) return false;
  if (WriteAll(file.Get(), content.data(), content.size()) && file.Close()) return true;
  const int reason = errno;
  unlink(path.c_str());
  errno = reason;
  return false;
}

bool WriteWholeFile(const std::string &path, const std::string &content) {
  UniqueHandle file(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  return file.Valid() && WriteAll(file.Get(), content.data(), content.size()) && file.Close();
}

namespace {

// Makes a new name in dir durable. Some file systems cannot sync a directory; the file's
// own bytes are synced already, so that is no reason to report a failure.
void SyncDirectory(const std::string &dir) {
  UniqueHandle handle(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (handle.Valid()) fsync(handle.Get());
}

}  // namespace

bool ReplaceWholeFile(const std::string &path, const std::string &content) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = path.rfind('/');
  const std::string dirPrefix = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = path.substr(dirPrefix.size());
  std::string temp;
  UniqueHandle file;
  for (int attempt = 0; attempt < 100 && !file.Valid(); ++attempt) {
    temp = dirPrefix + "." + name + "." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".tmp";
    file.Reset(open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file.Valid() && errno != EEXIST) return false;
  }
  if (!file.Valid()) return false;
  bool ok = true;
  struct stat existing;
  if (stat(path.c_str(), &existing) == 0) {
    // Keep the file's permissions and, where allowed, its owner.
    ok = fchmod(file.Get(), existing.st_mode & 07777) == 0;
    if (fchown(file.Get(), existing.st_uid, existing.st_gid) != 0) {
      // Only a privileged process may give a file away; the new file stays ours.
    }
  }
  ok = ok && WriteAll(file.Get(), content.data(), content.size()) && fsync(file.Get()) == 0;
  ok = file.Close() && ok;
  if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
    const int reason = errno;
    unlink(temp.c_str());
    errno = reason;
    return false;
  }
  SyncDirectory(dirPrefix.empty() ? "." : dirPrefix);
  return true;
}

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Create(const std::string &path) {
  file_.Reset(open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  return file_.Valid();
}

bool OutputFile::IsOpen() const { return file_.Valid(); }

bool OutputFile::Write(const void *data, std::size_t n) {
  return IsOpen() && WriteAll(file_.Get(), static_cast<const char *>(data), n);
}

void OutputFile::Close() { file_.Close(); }

}  // namespace sys
